#pragma once
// Reads skin sources (*.vskin, UTF-8 text) into a SkinModel. The format is described in
// docs/skin-source.md.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ustring.h"
#include "skin/geometry.h"
#include "tools/skinc/skin_model.h"

namespace skinc {

// Where something is in a source: 1-based line and column (columns count characters).
struct SourceLocation {
    std::string file;
    int line = 0;
    int column = 0;
};

struct SourceError {
    SourceLocation where;
    std::string message;
    // "file:line:col: message", or "file: message" when there is no position.
    std::string text() const;
};

// A picture the skin names, and how the compiler brings it into the output folder.
struct SkinPicture {
    platform::WString name;  // file name without folder or extension
    std::string folder;      // folder of the source that named it first
    int alpha = 255;         // blend level applied when a PNG is converted (0-255)
    bool used = false;       // named by at least one image property
    bool declared = false;   // has a "picture" statement in some source
};

// Everything read from the sources of one skin.
struct SkinSource {
    SkinModel model;
    std::vector<SkinPicture> pictures;  // in the order they were first named
    std::map<platform::WString, SourceLocation> definition_places;

    SkinPicture* find_picture(platform::WStringView name);
};

// Gives the size in pixels of a picture, for image properties that take the whole picture.
// Returns nothing and fills error when the picture cannot be read.
using PictureSizeFn =
    std::function<std::optional<zentra::Size>(const SkinPicture& picture, std::string& error)>;

// Parses one source's text into into. file names it in errors, and its folder is where its
// pictures are looked for. Stops at the first error.
bool parse_source(std::string_view text, const std::string& file, SkinSource& into,
                  const PictureSizeFn& picture_size, SourceError& error);
// The same for a file on disk.
bool parse_source_file(const std::string& path, SkinSource& into, const PictureSizeFn& picture_size,
                       SourceError& error);

// True for names the source writes without quotes: [A-Za-z_][A-Za-z0-9_]*.
bool is_plain_name(platform::WStringView name);
// The word that introduces a property of the group: "int", "font", "point" ...
const char* group_word(zentra::PropertyGroup group);

}  // namespace skinc
