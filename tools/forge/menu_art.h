#pragma once
// The picture behind the start dialog's main menu, and the loading dialog's: a hill fort keeping its watch
// fire at dusk over a valley, with a line of spearmen in the foreground. Drawn with Cairo and reduced to
// the palette.
#include <cstdint>
#include <string>

#include "tools/forge/picture.h"

namespace vael::forge {

// The start dialog's client area in pixels, which the picture fills whole.
constexpr int StartPictureWidth = 642, StartPictureHeight = 478;

// The title's letters come from DejaVu Serif Bold in the font package's directory; throws when it cannot
// be read.
Picture startGamePicture(const std::string& fontDirectory);

// The loading dialog's client area, and the same scene drawn to fill it.
constexpr int LoadingPictureWidth = 464, LoadingPictureHeight = 346;
Picture loadingPicture(const std::string& fontDirectory);

// The end of a battle for a nation (1 to 9): its standard and men on the field, raised when it won and
// fallen when it lost, with the outcome written above. A battle lost because the connection was lost (the
// other machine let this one go) beat no army: its standard stands over an empty field under a grey sky,
// and the words say what happened. The picture fills the end-of-game dialog.
constexpr int EndOfGamePictureWidth = 474, EndOfGamePictureHeight = 468;
enum class BattleEnd { Won, Lost, ConnectionLost };
Picture endOfGamePicture(std::uint32_t nation, BattleEnd end, const std::string& fontDirectory);

} // namespace vael::forge
