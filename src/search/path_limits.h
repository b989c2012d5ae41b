// The walk's path limits as buffer sizes in the program's 8-bit text. The limits count
// UTF-16 units; under UTF-8 one takes up to three bytes (a pair of surrogates, four),
// under a double-byte code page two.
#pragma once
#include <cstddef>

#include "search/folder_text.h"
#include "search/walk_rules.h"

constexpr int MAX_BYTES_PER_UNIT = 3;
constexpr int PATH_BUF_BYTES = MAX_BYTES_PER_UNIT * MAX_SHORTCUT_PATH + 2;  // longest shortcut path + 2 NULs
constexpr int FOLDER_TEXT_BYTES = MAX_BYTES_PER_UNIT * MAX_FOLDER_TEXT + 1;  // a typed folder text, with NUL
static_assert(MAX_BYTES_PER_UNIT * (MAX_FOLDER_PATH + 2) + 1 <= std::size_t{PATH_BUF_BYTES},
              "a folder's walk pattern must fit pathBuf");
