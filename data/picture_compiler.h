#pragma once

#include <string_view>

#include "data/picture_template.h"

namespace vaultara::data {

// Compiles a picture text ("@n10.2", "@d17b", "@s60", "@p###-####p", ...)
// into its template. The leading "@" is optional; trailing blanks are
// ignored. An invalid picture gives a template of width 0. Pictures @D17,
// @D18, @T7 and @T8 follow the system formats installed at the time.
PictureTemplate CompilePicture(std::string_view picture);

// The display width of a picture, 0 for an invalid one.
int PictureWidth(std::string_view picture);

}  // namespace vaultara::data
