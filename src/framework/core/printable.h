#pragma once
// Text taken from a file, made fit for a message: a terminal would act on its control bytes (an escape
// sequence clears the screen or recolours it, a carriage return writes over the line) and a message box
// would show them as nothing. Each is written as \xHH instead, the C1 controls too (each of their bytes,
// in UTF-8 or alone); every other byte is kept, so that a name in UTF-8 reads as it was written. Applied
// twice it changes nothing more.
#include <string>

namespace vael {

std::string printable(const std::string& text);

} // namespace vael
