// Numbers written as decimal text in data files and table cells, read as the C library's atof does.
#pragma once

// Leading blanks, a sign, digits, a point and an exponent; the reading stops at the first unit that
// cannot continue the number, and text without a number (or a null pointer) reads as 0.
double ReadDecimal(const char16_t* text);
