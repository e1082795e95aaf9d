#include "help/help_texts.h"

#include "resources/constants.h"
#include "ui/fonts.h"

#include <algorithm>
#include <array>

namespace zarnic {
namespace {

constexpr std::string_view kHintLead =
    "Click on a tab to view a topic. if your question isnt answered here, please email ";

// The hint is fixed except for the support address, a build-time constant, so it is put
// together at compile time.
constexpr auto kHintChars = [] {
    std::array<char, kHintLead.size() + kSupportEmail.size() + 1> chars{};
    auto out = std::copy(kHintLead.begin(), kHintLead.end(), chars.begin());
    out = std::copy(kSupportEmail.begin(), kSupportEmail.end(), out);
    *out = ' ';
    return chars;
}();
constexpr std::string_view kHintText{kHintChars.data(), kHintChars.size()};

// The step lists use runs of spaces to push each step onto a line of its own inside the
// wrapped label; the runs are part of the text and must stay exactly as they are.
constexpr std::string_view kWirelessSteps =
    ">>Click on Start at the bottom left of your screen >>Click on My Computer"
    "                                   " // 35 spaces
    ">>Where it says My Computer in the Address bar, type in My Network Places"
    "                                           " // 43 spaces
    ">>Where it says network tasks, click Set up a wireless network for a home or small office.";

constexpr std::string_view kNetworkSteps =
    ">>Click on Start at the bottom of your screen"
    "          " // 10 spaces
    ">>Click on My Computer"
    "                                             " // 45 spaces
    ">>Where it says My Computer in the Address bar, type in My Network Places"
    "                                       " // 39 spaces
    ">>Where it says network tasks, click Set up a Small home or office network.";

using enum HelpStyle;

constexpr HelpElement kWelcome[] = {
    {"Image1", {1320, 2280, 2760, 2580}, Picture, {}},
    {"Label1(0)", {240, 840, 3615, 855}, Body, kHintText},
};

constexpr HelpElement kConnectionProblems[] = {
    {"Label1(1)", {120, 4800, 3615, 855}, Body, kHintText},
    {"Label7",
     {120, 3480, 3975, 375},
     Body,
     "No. all activity on Zarnic! is totally free of charge."},
    {"Label6",
     {120, 3000, 4335, 495},
     Question,
     "Does it cost me to connect to the internet with Zarnic?"},
    {"Label5",
     {120, 2520, 4095, 495},
     Body,
     "No. we have no intention to block other web browsers gaining the connection from your "
     "internet port."},
    {"Label4",
     {120, 2040, 4335, 495},
     Question,
     "Does Zarnic! stop other web browsers from connecting to the internet?"},
    {"Label3",
     {120, 1080, 4695, 975},
     Body,
     "Have you configured your internet settings? if not go to >>Start >>My Network Places and "
     "click on Add Network Place. if you use a wireless card, do the same steps but click on Set "
     "Up a Small wireless network for a home or small office."},
    {"Label2", {120, 840, 4575, 375}, Question, "Why is Zarnic! not connecting to the internet?"},
};

constexpr HelpElement kHowDoIConnect[] = {
    {"Label14", {240, 4680, 2655, 255}, Heading, "Follow the steps and your done!"},
    {"Label13", {240, 3360, 3735, 1815}, Body, kNetworkSteps},
    {"Label12", {240, 3120, 3495, 255}, SubHeading, "Set up a LAN network:"},
    {"Label11(0)", {240, 2880, 4215, 255}, Heading, "Follow the steps and your done!"},
    {"Label10", {240, 1560, 3855, 1335}, Body, kWirelessSteps},
    {"Label9", {240, 1320, 3615, 255}, SubHeading, "set up a Wireless network:"},
    {"Label8", {240, 960, 3855, 255}, Question, "Steps on how to connect to the internet"},
    {"Label1(2)", {120, 5160, 5415, 495}, Body, kHintText},
};

constexpr HelpElement kDisplayProblems[] = {
    {"Label20",
     {120, 3360, 3975, 1335},
     Body,
     "A syntax error is a error with the website programming. Zarnic! does not cause this. a "
     "syntax error is caused when the webmaster (website creator) makes an error in the code. To "
     "ignore it, Click no. to de-bug it, click yes. You can only de-bug if you have a de-bugger."},
    {"Label19", {120, 3120, 4215, 255}, Question, "It keeps saying \"Syntax Error\" - what is it?"},
    {"Label18",
     {120, 2040, 3735, 1095},
     Body,
     "Did you install the feature WebBrowser.dll? if not, please un-install this Zarnic! and "
     "re-install. if this does not help, try looking for the WebBrowser.dll Active X control on "
     "the internet. Either with Internet Explorer (R) or Firefox (R)"},
    {"Label17", {120, 1800, 4335, 255}, Question, "I cannot see the website i would like to see?"},
    {"Label16",
     {120, 1080, 3735, 975},
     Body,
     "Make sure you havent got any other programs set to be ontop of all the other programs. "
     "that is probaly the cause."},
    {"Label15", {120, 840, 3975, 255}, Question, "I cant see Zarnic! is it hidden?"},
    {"Label1(3)", {120, 4800, 3615, 855}, Body, kHintText},
};

constexpr HelpPage kPages[] = {
    {"Welcome to Help!", kWelcome},
    {"Connection Problems", kConnectionProblems},
    {"How do i connect?", kHowDoIConnect},
    {"Display Problems", kDisplayProblems},
};

} // namespace

Pango::FontDescription help_font(HelpStyle style) {
    switch (style) {
    case Question:
        return font_description(kArial, 9.75, kBold);
    case Heading:
        return font_description(kArial, 8.25, kBold);
    case SubHeading:
        return font_description(kArial, 8.25, kBold | kItalic);
    case Body:
    case Picture:
        break;
    }
    return font_description(kArial, 8.25);
}

std::string_view help_hint_text() {
    return kHintText;
}

std::span<const HelpPage> help_pages() {
    return kPages;
}

} // namespace zarnic
