#pragma once

// The fuzzed entry points, shared by the libFuzzer targets and by the test
// that replays the seed corpus in ordinary (sanitizer) builds. Each returns
// whether the input was accepted; a broken invariant (a document or image
// that does not survive being written and read back) aborts.

#include <cstddef>
#include <cstdint>

namespace zel::fuzz {

bool documentEntry(const uint8_t *data, size_t size);
bool jpegEntry(const uint8_t *data, size_t size);
bool bmpEntry(const uint8_t *data, size_t size);
bool pngEntry(const uint8_t *data, size_t size);

} // namespace zel::fuzz
