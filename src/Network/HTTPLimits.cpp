#include "Network/HTTPLimits.h"

sHTTPLimits& GetHTTPLimits()
{
    static sHTTPLimits limits;
    return limits;
}
