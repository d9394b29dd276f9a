// SPDX-License-Identifier: MIT
// Numbers read from text in the "C" locale, whatever locale the process (or the
// host that loaded us) has set: a file written with "0.5" reads as 0.5 where the
// user's decimal point is a comma.
#pragma once

namespace nelvo::util {

// As strtol(text, end, 10) in the "C" locale: leading white space and a sign
// taken, *end set past the digits (to `text` when there are none), errno set to
// ERANGE when the value does not fit.
long parseLongC(const char* text, char** end);

// As strtof(text, end) in the "C" locale, with the same conventions.
float parseFloatC(const char* text, char** end);

}  // namespace nelvo::util
