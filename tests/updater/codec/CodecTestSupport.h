// Shared helpers of the codec tests: frames through the public block interface, test inputs.
#pragma once

#include "core/eResultCode.h"
#include "platform/WorkerThreads.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// CodecRun over blocks made from and turned back into byte vectors.
eResultCode EncodeBytes(uint32_t method, const Bytes& data, Bytes& frame);
eResultCode DecodeBytes(uint32_t method, const Bytes& frame, Bytes& data);

Bytes BytesOf(const std::string& text);
Bytes Repeated(const Bytes& unit, size_t times);
Bytes RandomBytes(size_t count, uint32_t seed);
// The first `count` bytes of a real shared object of the system (empty when none is readable).
Bytes SystemLibraryBytes(size_t count);
// The frame of a payload: the raw length big-endian, then the payload.
Bytes Frame(uint32_t rawLength, const Bytes& payload);

// A method-8 payload written token by token, for raw lengths no encoder run in a test could
// afford: literals, and repeats of a seed that double what is already there (never overlapping,
// as the encoder's own matches).
class RepeatPayload {
public:
    explicit RepeatPayload(uint8_t escape) : mBytes{escape} {}

    void Literals(const Bytes& bytes);
    // A match of `length` bytes from `distance` back, written as given.
    void Match(uint64_t length, uint64_t distance);
    // The seed, then copies of it until `total` bytes (a whole seed at least) were added.
    void Repeat(const Bytes& seed, uint64_t total);

    uint64_t RawLength() const { return mRawLength; }
    const Bytes& Payload() const { return mBytes; }
    // The frame: the raw length, then the payload.
    Bytes Frame() const;

private:
    void PutVarint(uint64_t value);

    Bytes mBytes;
    uint64_t mRawLength = 0;
};

// Runs the jobs one after another, the last first, as if there were `count` processors.
class BackwardWorkers final : public plat::Workers {
public:
    explicit BackwardWorkers(uint32_t count = 4) : mCount(count) {}
    uint32_t Count() const override { return mCount; }
    void Run(uint32_t jobs, plat::tJob job, void* context) override
    {
        for (uint32_t i = jobs; i-- > 0;)
            job(context, i);
    }

private:
    uint32_t mCount;
};
