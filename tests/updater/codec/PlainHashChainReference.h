// The method-8 encoder exactly as the format describes it: two-byte chains over the whole input,
// every chain walked to its end. Slow; the faster search must give the same bytes.
#pragma once

#include "updater/codec/CodecTestSupport.h"

Bytes PlainHashChainPayload(const Bytes& input);
