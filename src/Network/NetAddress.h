// IPv4 address helpers shared by the sockets, the resolver, the HTTP session and the data pipes.
// An address is 32 bits in host order with the first dotted number in the high byte.
#pragma once

#include "core/gCString.h"

#include <cstdint>

// Whether `text` is written as a dotted address: three "."-separated integer parts and a fourth
// (anything after a further "." is ignored). No range check: "999.0.0.1" counts.
bool IsDottedAddress(const gCString& text);
// Reads a dotted address; a part above 255 spills into the next byte.
uint32_t ParseDottedAddress(const gCString& text);
gCString FormatDottedAddress(uint32_t address);
// "host:port" into its parts; without ":" the port is 0.
void SplitHostAndPort(const gCString& text, gCString& host, uint16_t& port);
