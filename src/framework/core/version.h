#pragma once
// The version every program of the project answers to --version.
namespace vael {
constexpr const char* VaelVersion = "0.1";
} // namespace vael
