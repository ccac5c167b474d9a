#include "platform/CNetLookup.h"

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
    int32_t ResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses) override
    {
        return SystemResolveIPv4(host, addresses);
    }
};

SystemResolver gSystemResolver;
// Read by the threads that start lookups while a test may be replacing it.
std::atomic<Resolver*> gResolver{&gSystemResolver};

} // namespace

int32_t SystemResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses)
{
    addresses.clear();
    addrinfo hints{};
    // Only IPv4 answers are usable: the toolkit holds an address as one 32-bit word.
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    int result = getaddrinfo(host.c_str(), nullptr, &hints, &list);
    if (result != 0)
        return result;
    for (addrinfo* entry = list; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addrlen < sizeof(sockaddr_in))
            continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        addresses.push_back(ntohl(address->sin_addr.s_addr));
    }
    freeaddrinfo(list);
    return addresses.empty() ? EAI_NONAME : 0;
}

Resolver& GetResolver() { return *gResolver.load(); }

void SetResolver(Resolver* resolver) { gResolver.store(resolver ? resolver : &gSystemResolver); }

int32_t ResolveIPv4(const std::string& host, std::vector<uint32_t>& addresses)
{
    int32_t result = GetResolver().ResolveIPv4(host, addresses);
    if (result == 0 && addresses.empty())
        result = EAI_NONAME;
    return result;
}

CNetLookup::CNetLookup(std::string host, Resolver& resolver, std::function<void()> onDone)
    : mHost(std::move(host)), mResolver(resolver), mOnDone(std::move(onDone))
{
}

uint32_t CNetLookup::GetFirstAddress() const
{
    if (!IsDone() || mResult != 0 || mAddresses.empty())
        return 0;
    return mAddresses.front();
}

std::shared_ptr<CNetLookup> CNetLookup::Start(const std::string& host, std::function<void()> onDone)
{
    auto lookup = std::make_shared<CNetLookup>(host, GetResolver(), std::move(onDone));
    // The worker holds its own reference: a caller that stops waiting (the program quits) may drop
    // the lookup while the system call is still running.
    auto* workerReference = new std::shared_ptr<CNetLookup>(lookup);
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
        lookup->mResult = kThreadFailed;
        lookup->mDone.store(true, std::memory_order_release);
    }
    return lookup;
}

void* CNetLookup::RunWorker(void* reference)
{
    auto* workerReference = static_cast<std::shared_ptr<CNetLookup>*>(reference);
    CNetLookup& lookup = **workerReference;
    int32_t result = lookup.mResolver.ResolveIPv4(lookup.mHost, lookup.mAddresses);
    if (result == 0 && lookup.mAddresses.empty())
        result = EAI_NONAME;
    if (result != 0)
        lookup.mAddresses.clear();
    lookup.mResult = result;
    lookup.mDone.store(true, std::memory_order_release);
    if (lookup.mOnDone)
        lookup.mOnDone();
    delete workerReference;
    return nullptr;
}

} // namespace plat
