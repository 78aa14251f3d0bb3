#pragma once
// The frame's controls draw the pictures of image archives through the frame's own view of an archive;
// this is the view over the display's archives. Installing it makes every archive the frame opens an
// image archive found through the map file.
#include <memory>
#include <string>

#include "framework/ui/picture_archive.h"

namespace vael {

void installArchivePictures();
// The view of the image archive of that name.
std::unique_ptr<PictureArchive> openArchivePictures(const std::string& name);

} // namespace vael
