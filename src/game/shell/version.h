#pragma once
// The version both programs answer to --version.
namespace vael {
constexpr const char* VaelVersion = "0.1";
} // namespace vael
