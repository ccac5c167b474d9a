// The one place where the image readers show an error to the user (only the BMP reader does).
#pragma once

#include <cstdint>

// Shows the alert for a failure of the given code with the reader's own explanation.
void ReportImageError(int32_t code, const char* explanation);
