// Work that splits into independent jobs runs on the machine's processors. Only the package
// encoder uses this: the program itself keeps to one thread (besides audio and name lookup).
#pragma once

#include <cstdint>

namespace plat {

using tJob = void (*)(void* context, uint32_t index);

class Workers {
public:
    virtual ~Workers() = default;
    // How many jobs can usefully run at once (at least 1).
    virtual uint32_t Count() const = 0;
    // Runs job(context, i) once for every i below `jobs` and returns when all have ended. Jobs
    // must not depend on each other's order. The calling thread takes part.
    virtual void Run(uint32_t jobs, tJob job, void* context) = 0;
};

// The workers in use: threads on every processor unless a test replaced them.
Workers& GetWorkers();
// Puts `workers` in place (null restores the threads). The caller keeps ownership.
void SetWorkers(Workers* workers);

} // namespace plat
