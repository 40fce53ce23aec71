#pragma once
// Resources embedded into the binary at build time (form resources, bitmaps, cursors), found by
// name. The build's fano_embed() generates the tables that register themselves here.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TResourceBlob {
  const unsigned char* Data = nullptr;
  size_t Size = 0;
  std::string_view Text() const { return {reinterpret_cast<const char*>(Data), Size}; }
};

void RegisterResource(std::string_view name, const unsigned char* data, size_t size);
// Null when no resource has that name (names compare ignoring ASCII case).
const TResourceBlob* FindResourceBlob(std::string_view name);
std::vector<std::string> ResourceNames();
