#include "help/help_texts.h"

#include "resources/constants.h"
#include "ui/fonts.h"

#include <algorithm>
#include <array>

namespace zarnic {
namespace {

constexpr std::string_view hint_lead =
    "Click on a tab to view a topic. if your question isnt answered here, please email ";

// The hint is fixed except for the support address, a build-time constant, so it is put
// together at compile time.
constexpr auto hint_chars = [] {
    std::array<char, hint_lead.size() + support_email.size() + 1> chars{};
    auto out = std::copy(hint_lead.begin(), hint_lead.end(), chars.begin());
    out = std::copy(support_email.begin(), support_email.end(), out);
    *out = ' ';
    return chars;
}();
constexpr std::string_view hint_text{hint_chars.data(), hint_chars.size()};

// The step lists use runs of spaces to push each step onto a line of its own inside the
// wrapped label; the runs are part of the text and must stay exactly as they are.
constexpr std::string_view wireless_steps =
    ">>Click on Start at the bottom left of your screen >>Click on My Computer"
    "                                   " // 35 spaces
    ">>Where it says My Computer in the Address bar, type in My Network Places"
    "                                           " // 43 spaces
    ">>Where it says network tasks, click Set up a wireless network for a home or small office.";

constexpr std::string_view network_steps =
    ">>Click on Start at the bottom of your screen"
    "          " // 10 spaces
    ">>Click on My Computer"
    "                                             " // 45 spaces
    ">>Where it says My Computer in the Address bar, type in My Network Places"
    "                                       " // 39 spaces
    ">>Where it says network tasks, click Set up a Small home or office network.";

using enum help_style;

constexpr help_element welcome[] = {
    {"Image1", {1320, 2280, 2760, 2580}, picture, {}},
    {"Label1(0)", {240, 840, 3615, 855}, body, hint_text},
};

constexpr help_element connection_problems[] = {
    {"Label1(1)", {120, 4800, 3615, 855}, body, hint_text},
    {"Label7",
     {120, 3480, 3975, 375},
     body,
     "No. all activity on Zarnic! is totally free of charge."},
    {"Label6",
     {120, 3000, 4335, 495},
     question,
     "Does it cost me to connect to the internet with Zarnic?"},
    {"Label5",
     {120, 2520, 4095, 495},
     body,
     "No. we have no intention to block other web browsers gaining the connection from your "
     "internet port."},
    {"Label4",
     {120, 2040, 4335, 495},
     question,
     "Does Zarnic! stop other web browsers from connecting to the internet?"},
    {"Label3",
     {120, 1080, 4695, 975},
     body,
     "Have you configured your internet settings? if not go to >>Start >>My Network Places and "
     "click on Add Network Place. if you use a wireless card, do the same steps but click on Set "
     "Up a Small wireless network for a home or small office."},
    {"Label2", {120, 840, 4575, 375}, question, "Why is Zarnic! not connecting to the internet?"},
};

constexpr help_element how_do_i_connect[] = {
    {"Label14", {240, 4680, 2655, 255}, heading, "Follow the steps and your done!"},
    {"Label13", {240, 3360, 3735, 1815}, body, network_steps},
    {"Label12", {240, 3120, 3495, 255}, sub_heading, "Set up a LAN network:"},
    {"Label11(0)", {240, 2880, 4215, 255}, heading, "Follow the steps and your done!"},
    {"Label10", {240, 1560, 3855, 1335}, body, wireless_steps},
    {"Label9", {240, 1320, 3615, 255}, sub_heading, "set up a Wireless network:"},
    {"Label8", {240, 960, 3855, 255}, question, "Steps on how to connect to the internet"},
    {"Label1(2)", {120, 5160, 5415, 495}, body, hint_text},
};

constexpr help_element display_problems[] = {
    {"Label20",
     {120, 3360, 3975, 1335},
     body,
     "A syntax error is a error with the website programming. Zarnic! does not cause this. a "
     "syntax error is caused when the webmaster (website creator) makes an error in the code. To "
     "ignore it, Click no. to de-bug it, click yes. You can only de-bug if you have a de-bugger."},
    {"Label19", {120, 3120, 4215, 255}, question, "It keeps saying \"Syntax Error\" - what is it?"},
    {"Label18",
     {120, 2040, 3735, 1095},
     body,
     "Did you install the feature WebBrowser.dll? if not, please un-install this Zarnic! and "
     "re-install. if this does not help, try looking for the WebBrowser.dll Active X control on "
     "the internet. Either with Internet Explorer (R) or Firefox (R)"},
    {"Label17", {120, 1800, 4335, 255}, question, "I cannot see the website i would like to see?"},
    {"Label16",
     {120, 1080, 3735, 975},
     body,
     "Make sure you havent got any other programs set to be ontop of all the other programs. "
     "that is probaly the cause."},
    {"Label15", {120, 840, 3975, 255}, question, "I cant see Zarnic! is it hidden?"},
    {"Label1(3)", {120, 4800, 3615, 855}, body, hint_text},
};

constexpr help_page page_table[] = {
    {"Welcome to Help!", welcome},
    {"Connection Problems", connection_problems},
    {"How do i connect?", how_do_i_connect},
    {"Display Problems", display_problems},
};

} // namespace

Pango::FontDescription help_font(help_style style) {
    switch (style) {
    case question:
        return font_description(arial, 9.75, bold);
    case heading:
        return font_description(arial, 8.25, bold);
    case sub_heading:
        return font_description(arial, 8.25, bold | italic);
    case body:
    case picture:
        break;
    }
    return font_description(arial, 8.25);
}

std::span<const help_page> help_pages() {
    return page_table;
}

} // namespace zarnic
