#include "platform/NetLookup.h"

#include <arpa/inet.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>

namespace plat {

namespace {

class SystemResolver final : public Resolver {
public:
    eNetResult ResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses, int32_t& systemCode) override
    {
        return SystemResolveIPv4(host, addresses, systemCode);
    }
};

SystemResolver gSystemResolver;
// Read by the threads that start lookups while a test may be replacing it.
std::atomic<Resolver*> gResolver{&gSystemResolver};

eNetResult FromNameServiceCode(int code)
{
    switch (code) {
    case 0:
        return eNetResult::kOk;
    case EAI_NONAME:
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
        return eNetResult::kHostNotFound;
    case EAI_AGAIN:
        return eNetResult::kTryAgain;
    case EAI_MEMORY:
        return eNetResult::kNoMemory;
    default:
        return eNetResult::kFailed;
    }
}

// A lookup that succeeded without an address is a name without one.
eNetResult Checked(eNetResult result, const std::vector<uint32_t>& addresses, int32_t& systemCode)
{
    if (result == eNetResult::kOk && addresses.empty()) {
        result = eNetResult::kHostNotFound;
        systemCode = EAI_NONAME;
    }
    return result;
}

} // namespace

int32_t NameServiceCode(eNetResult result)
{
    switch (result) {
    case eNetResult::kOk:
        return 0;
    case eNetResult::kHostNotFound:
        return EAI_NONAME;
    case eNetResult::kTryAgain:
        return EAI_AGAIN;
    case eNetResult::kNoMemory:
        return EAI_MEMORY;
    case eNetResult::kNotStarted:
        return NetLookup::kThreadFailed;
    default:
        return EAI_FAIL;
    }
}

eNetResult SystemResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses, int32_t& systemCode)
{
    addresses.clear();
    systemCode = 0;
    addrinfo hints{};
    // Only IPv4 answers are usable: the toolkit holds an address as one 32-bit word.
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    int result = getaddrinfo(host.c_str(), nullptr, &hints, &list);
    if (result != 0) {
        systemCode = result;
        return FromNameServiceCode(result);
    }
    for (addrinfo* entry = list; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addrlen < sizeof(sockaddr_in))
            continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        addresses.push_back(ntohl(address->sin_addr.s_addr));
    }
    freeaddrinfo(list);
    return Checked(eNetResult::kOk, addresses, systemCode);
}

Resolver& GetResolver() { return *gResolver.load(); }

void SetResolver(Resolver* resolver) { gResolver.store(resolver ? resolver : &gSystemResolver); }

eNetResult ResolveIPv4(const char* host, size_t length, uint32_t& firstAddress)
{
    std::vector<uint32_t> addresses;
    int32_t systemCode = 0;
    eNetResult result = GetResolver().ResolveIPv4(std::string(host, length), addresses, systemCode);
    result = Checked(result, addresses, systemCode);
    if (result == eNetResult::kOk)
        firstAddress = addresses.front();
    return result;
}

NetLookup::NetLookup(std::string host, Resolver& resolver, std::function<void()> onDone)
    : mHost(std::move(host)), mResolver(resolver), mOnDone(std::move(onDone))
{
}

uint32_t NetLookup::GetFirstAddress() const
{
    if (!IsDone() || mResult != eNetResult::kOk || mAddresses.empty())
        return 0;
    return mAddresses.front();
}

std::shared_ptr<NetLookup> NetLookup::Start(const char* host, size_t length, std::function<void()> onDone)
{
    auto lookup = std::make_shared<NetLookup>(std::string(host, length), GetResolver(), std::move(onDone));
    // The worker holds its own reference: a caller that stops waiting (the program quits) may drop
    // the lookup while the system call is still running.
    auto* workerReference = new std::shared_ptr<NetLookup>(lookup);
    pthread_attr_t attributes;
    pthread_t thread;
    int started = pthread_attr_init(&attributes);
    if (started == 0) {
        (void)pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
        started = pthread_create(&thread, &attributes, RunWorker, workerReference);
        (void)pthread_attr_destroy(&attributes);
    }
    if (started != 0) {
        delete workerReference;
        lookup->mResult = eNetResult::kNotStarted;
        lookup->mSystemCode = kThreadFailed;
        lookup->mDone.store(true, std::memory_order_release);
    }
    return lookup;
}

void* NetLookup::RunWorker(void* reference)
{
    auto* workerReference = static_cast<std::shared_ptr<NetLookup>*>(reference);
    NetLookup& lookup = **workerReference;
    int32_t systemCode = 0;
    eNetResult result = lookup.mResolver.ResolveIPv4(lookup.mHost, lookup.mAddresses, systemCode);
    result = Checked(result, lookup.mAddresses, systemCode);
    if (result != eNetResult::kOk)
        lookup.mAddresses.clear();
    lookup.mResult = result;
    lookup.mSystemCode = systemCode;
    lookup.mDone.store(true, std::memory_order_release);
    if (lookup.mOnDone)
        lookup.mOnDone();
    delete workerReference;
    return nullptr;
}

} // namespace plat
