#pragma once
// The list-splitting routines of the protocol: the field description of a reply ("NAME:TYPE:SIZE:SCALE"
// items separated by blanks) and the foreign-key list of a table ("TABLE:FIELD" pairs separated by
// ";") are read with them. Callers append a final separator before splitting.
#include <string_view>

// The number of characters of `text` equal to `ch`; 0 unless `ch` is exactly one character.
int CountSubStr(std::string_view text, std::string_view ch) noexcept;

// The n-th item (from 1) of `text`: the text between the (n-1)-th and the n-th separator. With
// fewer than n separators the item runs to the end; with fewer than n-1 it starts at the
// beginning. An item that would be the whole text is empty, so "A:B:C:" gives A, B, C and then an
// empty item, and a text without the separator gives an empty first item.
std::string_view GetDelimitedItem(std::string_view text, char separator, int n) noexcept;
