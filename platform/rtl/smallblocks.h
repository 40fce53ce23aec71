#pragma once
// Small blocks for the many short-lived objects of a table: texts and rows. They come from
// per-thread free lists by size class (8-byte steps up to 256 bytes, 64-byte steps up to 2 KiB),
// each class carved from slabs of its own; larger blocks go to the general heap, which spends
// several times the work on each block and rounds every one up to 16 bytes with an 8-byte header.
//
// A block is released with the size it was asked for, on any thread: it joins that thread's list.
// Blocks are 8-byte aligned.
#include <cstddef>

void* NewSmallBlock(size_t bytes);
void FreeSmallBlock(void* block, size_t bytes) noexcept;
