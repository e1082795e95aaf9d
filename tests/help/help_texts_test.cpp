// The fixed texts of the Help window, checked character for character.

#include "help/help_texts.h"
#include "resources/constants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace zarnic {
namespace {

const help_element* find(std::string_view name) {
    for (const help_page& page : help_pages())
        for (const help_element& e : page.elements)
            if (e.name == name)
                return &e;
    return nullptr;
}

std::string text_of(std::string_view name) {
    const help_element* e = find(name);
    return e ? std::string(e->text) : "<missing " + std::string(name) + ">";
}

TEST(HelpTexts, TabCaptionsInOrder) {
    ASSERT_EQ(help_pages().size(), 4u);
    EXPECT_EQ(help_pages()[0].caption, "Welcome to Help!");
    EXPECT_EQ(help_pages()[1].caption, "Connection Problems");
    EXPECT_EQ(help_pages()[2].caption, "How do i connect?");
    EXPECT_EQ(help_pages()[3].caption, "Display Problems");
}

TEST(HelpTexts, HintEndsWithTheSupportAddressAndOneSpace) {
    const std::string expected =
        "Click on a tab to view a topic. if your question isnt answered here, please email " +
        std::string(support_email) + " ";
    EXPECT_EQ(help_hint_text(), expected);
    EXPECT_NE(help_hint_text().substr(help_hint_text().size() - 2), "  ");
    // One hint label per page, all with the same text.
    for (const char* name : {"Label1(0)", "Label1(1)", "Label1(2)", "Label1(3)"})
        EXPECT_EQ(text_of(name), expected) << name;
}

TEST(HelpTexts, StepListsKeepTheirRunsOfSpaces) {
    const std::string wireless =
        ">>Click on Start at the bottom left of your screen >>Click on My Computer" +
        std::string(35, ' ') +
        ">>Where it says My Computer in the Address bar, type in My Network Places" +
        std::string(43, ' ') +
        ">>Where it says network tasks, click Set up a wireless network for a home or small "
        "office.";
    const std::string network = ">>Click on Start at the bottom of your screen" +
                                std::string(10, ' ') + ">>Click on My Computer" +
                                std::string(45, ' ') +
                                ">>Where it says My Computer in the Address bar, type in My "
                                "Network Places" +
                                std::string(39, ' ') +
                                ">>Where it says network tasks, click Set up a Small home or "
                                "office network.";
    EXPECT_EQ(text_of("Label10"), wireless);
    EXPECT_EQ(text_of("Label13"), network);
    EXPECT_EQ(text_of("Label10").size(), 314u);
    EXPECT_EQ(text_of("Label13").size(), 309u);
}

TEST(HelpTexts, QuestionsAndAnswers) {
    const std::map<std::string, std::string> expected = {
        {"Label2", "Why is Zarnic! not connecting to the internet?"},
        {"Label3", "Have you configured your internet settings? if not go to >>Start >>My Network "
                   "Places and click on Add Network Place. if you use a wireless card, do the same "
                   "steps but click on Set Up a Small wireless network for a home or small "
                   "office."},
        {"Label4", "Does Zarnic! stop other web browsers from connecting to the internet?"},
        {"Label5", "No. we have no intention to block other web browsers gaining the connection "
                   "from your internet port."},
        {"Label6", "Does it cost me to connect to the internet with Zarnic?"},
        {"Label7", "No. all activity on Zarnic! is totally free of charge."},
        {"Label8", "Steps on how to connect to the internet"},
        {"Label9", "set up a Wireless network:"},
        {"Label11(0)", "Follow the steps and your done!"},
        {"Label12", "Set up a LAN network:"},
        {"Label14", "Follow the steps and your done!"},
        {"Label15", "I cant see Zarnic! is it hidden?"},
        {"Label16", "Make sure you havent got any other programs set to be ontop of all the other "
                    "programs. that is probaly the cause."},
        {"Label17", "I cannot see the website i would like to see?"},
        {"Label18", "Did you install the feature WebBrowser.dll? if not, please un-install this "
                    "Zarnic! and re-install. if this does not help, try looking for the "
                    "WebBrowser.dll Active X control on the internet. Either with Internet "
                    "Explorer (R) or Firefox (R)"},
        {"Label19", "It keeps saying \"Syntax Error\" - what is it?"},
        {"Label20", "A syntax error is a error with the website programming. Zarnic! does not "
                    "cause this. a syntax error is caused when the webmaster (website creator) "
                    "makes an error in the code. To ignore it, Click no. to de-bug it, click yes. "
                    "You can only de-bug if you have a de-bugger."},
    };
    for (const auto& [name, text] : expected)
        EXPECT_EQ(text_of(name), text) << name;
}

TEST(HelpTexts, EachPageHoldsExactlyItsElements) {
    const std::vector<std::vector<std::string>> expected = {
        {"Image1", "Label1(0)"},
        {"Label1(1)", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7"},
        {"Label1(2)", "Label8", "Label9", "Label10", "Label11(0)", "Label12", "Label13", "Label14"},
        {"Label1(3)", "Label15", "Label16", "Label17", "Label18", "Label19", "Label20"},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        std::vector<std::string> names;
        for (const help_element& e : help_pages()[i].elements)
            names.emplace_back(e.name);
        std::sort(names.begin(), names.end());
        std::vector<std::string> want = expected[i];
        std::sort(want.begin(), want.end());
        EXPECT_EQ(names, want) << "page " << i;
    }
}

} // namespace
} // namespace zarnic
