// Texts are UTF-8: reading their characters one by one, counting the columns they take on screen
// (one a character in either font) and cutting them to a number of columns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The code point starting at text[*at], which *at then passes. A byte that does not start a whole,
// shortest-form character reads as U+FFFD and is passed alone.
char32_t Utf8Next(std::string_view text, std::size_t* at);

// The characters of text, each taking one column.
std::size_t Utf8Columns(std::string_view text);

// The first `columns` characters of text, never cutting one in two.
std::string Utf8Cut(std::string_view text, std::size_t columns);

// The byte offset where the character of column `column` starts (text.size() past the end).
std::size_t Utf8Offset(std::string_view text, std::size_t column);
