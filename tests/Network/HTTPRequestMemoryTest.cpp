// A request that runs out of memory while it is composed says so, whichever allocation fails.
#include "Network/CHTTPSession.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

TEST(HTTPClient, EveryFailedAllocationWhileComposingGivesNoMemory)
{
    bool sawFailure = false;
    ForEachAllocationFailure(
        [&] {
            CHTTPSession session;
            eResultCode result = session.ComposeRequest(gCString(u"/check?&product=P%C3%A9"), gCString(u""),
                                                        gCString(u"update.pnu"), 12);
            EXPECT_TRUE(result == eSuccess || result == eNoMemory) << result;
        },
        [&](bool failed) { sawFailure = sawFailure || failed; });
    EXPECT_TRUE(sawFailure);
}
