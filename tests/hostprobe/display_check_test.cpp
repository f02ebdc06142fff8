#include "display_check.h"

#include <gtest/gtest.h>

#include <vector>

using namespace hostprobe;

namespace {

const std::string kColourTail = " couleurs.\r\n"
                                "Ceci est insuffisant pour pouvoir afficher des photos.\r\n"
                                "Il est recommandé de régler votre écran en 32 milles couleurs au minimum.\r\n"
                                "Si votre pilote de carte graphique ne le permet pas, mettez le à jour en\r\n"
                                "installant celui fournit par le constructeur de la carte vidéo.\r\n"
                                "Si vous ne le faites pas, ce logiciel risque de ne pas fonctionner correctement.";

const std::string kResolutionWarning =
    "Votre résolution écran (640x480) est trop petite pour pouvoir afficher\r\n"
    "correctement des photos.\r\n"
    "Il est recommandé de régler votre écran en 800x600 x 32 milles couleurs au minimum.\r\n"
    "Si votre pilote de carte graphique ne le permet pas, mettez le à jour en\r\n"
    "installant celui fournit par le constructeur de la carte vidéo.\r\n"
    "Si vous ne le faites pas, ce logiciel risque de ne pas fonctionner correctement.";

struct Shown {
    std::string text, caption;
    uint32_t flags;
};

std::vector<Shown> check(int bits, int planes, int lines)
{
    std::vector<Shown> boxes;
    CheckDisplay({bits, planes, lines}, [&](const std::string& text, const std::string& caption, uint32_t flags) {
        boxes.push_back({text, caption, flags});
        return IDOK;
    });
    return boxes;
}

}  // namespace

TEST(DisplayCheck, TooFewColoursGetsOnlyTheColourWarning)
{
    const auto boxes = check(8, 1, 480);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Votre écran est configuré en 256" + kColourTail);
    EXPECT_EQ(boxes[0].caption, "Avertissement");
    EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);

    // Planes count as much as bits: 4 planes of 1 bit are 16 colours.
    for (const auto& caps : {DisplayCaps{4, 1, 768}, DisplayCaps{1, 4, 600}}) {
        const auto text = DisplayWarningText(caps);
        ASSERT_TRUE(text);
        EXPECT_EQ(*text, "Votre écran est configuré en 16" + kColourTail);
    }
}

TEST(DisplayCheck, SixHundredAndFortyByFourEightyGetsOnlyTheResolutionWarning)
{
    for (int bits : {15, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        const auto boxes = check(bits, 1, 480);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kResolutionWarning);
        EXPECT_EQ(boxes[0].caption, "Avertissement");
        EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
}

TEST(DisplayCheck, EnoughColoursAndLinesSayNothing)
{
    for (int bits : {15, 16, 24, 32})
        for (int lines : {479, 481, 600, 768, 1080}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << lines << " lines");
            EXPECT_TRUE(check(bits, 1, lines).empty());
        }
}

TEST(DisplayCheck, ColourCountsAtTheEdges)
{
    EXPECT_EQ(ColourCount(8, 1), 256u);
    EXPECT_EQ(ColourCount(15, 1), 32768u);
    EXPECT_EQ(ColourCount(16, 1), 65536u);
    EXPECT_EQ(ColourCount(24, 1), 16000000u);
    EXPECT_EQ(ColourCount(32, 4), 16000000u);
    // Products of 32 bits and more must not wrap round into a "too few colours" warning.
    EXPECT_GT(ColourCount(16, 2), 32000u);
    EXPECT_GT(ColourCount(8, 8), 32000u);
    EXPECT_GT(ColourCount(23, 1000), 32000u);
    EXPECT_FALSE(DisplayWarningText({16, 2, 768}));
}
