# Turns the resource files RESOURCE_DIR/<kind>/<name>.txt into a C++ source that holds them, for
# src/platform/resources.cpp. Called as: cmake -DRESOURCE_DIR=<dir> -DOUTPUT=<file.cpp> -P embed_resources.cmake
file(GLOB files RELATIVE "${RESOURCE_DIR}" "${RESOURCE_DIR}/*/*.txt")
list(SORT files)
set(arrays "")
set(entries "")
set(index 0)
foreach(rel ${files})
  get_filename_component(kind "${rel}" DIRECTORY)
  get_filename_component(name "${rel}" NAME_WE)
  file(READ "${RESOURCE_DIR}/${rel}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const char resource${index}[] = {${bytes}0};\n")
  string(APPEND entries "    {\"${kind}\", \"${name}\", std::string_view(resource${index}, ${size})},\n")
  math(EXPR index "${index} + 1")
endforeach()
if(index EQUAL 0)
  set(entries "    {\"\", \"\", {}},\n")
endif()
file(WRITE "${OUTPUT}.new" "// Made by cmake/embed_resources.cmake from the files under resources/; do not edit.
#include \"platform/resources.h\"

namespace vael::platform {
namespace {
${arrays}} // namespace

extern const Resource builtInResources[] = {
${entries}};
extern const int builtInResourceCount = ${index};

} // namespace vael::platform
")
configure_file("${OUTPUT}.new" "${OUTPUT}" COPYONLY)
file(REMOVE "${OUTPUT}.new")
