#pragma once
// Asks for one line of text under a caption and a prompt, with a default answer. OK is enabled exactly
// while the field holds text. The run answers 1 for OK and 0 for Cancel; answer holds what was typed, or
// the default after a Cancel, and is left alone when the run ends because the program stops.
#include <string>

#include "framework/ui/dialog.h"

namespace vael {

class GetStringDialog : public Dialog {
public:
    static constexpr const char* ResourceName = "GetString";
    static constexpr std::int16_t EditId = 101;

    GetStringDialog(const std::string& caption, const std::string& prompt, const std::string& defaultText);

    const std::string& answer() const { return answer_; }
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void onInitDialog() override;

private:
    std::string prompt_;
    std::string captionText_;
    std::string defaultText_;
    std::string answer_;
};

} // namespace vael
