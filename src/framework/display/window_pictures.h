#pragma once
// What the windows take from the display framework, which sits above them: the pictures of its image
// archives, and the palette entry nearest to a colour in the application palette.
namespace vael {

// Has every window that opens a picture archive from now on read it as an image archive, and every
// colour the windows draw with matched in the application's palette.
void installWindowPictures();

} // namespace vael
