#include "app/command_line.h"

#include <gtest/gtest.h>

using namespace orvex;

TEST(CommandLine, EveryBlankEndsAWord) {
    EXPECT_EQ(splitCommandLine(u""), std::vector<std::u16string>{});
    EXPECT_EQ(splitCommandLine(u"cameraSync viewsSync"),
              (std::vector<std::u16string>{u"cameraSync", u"viewsSync"}));
    EXPECT_EQ(splitCommandLine(u" cameraSync"), (std::vector<std::u16string>{u"", u"cameraSync"}));
    EXPECT_EQ(splitCommandLine(u"a  b"), (std::vector<std::u16string>{u"a", u"", u"b"}));
    EXPECT_EQ(splitCommandLine(u"a "), (std::vector<std::u16string>{u"a"}));
    EXPECT_EQ(splitCommandLine(u"\"quoted word\""),
              (std::vector<std::u16string>{u"\"quoted", u"word\""}));
}

TEST(CommandLine, WordTableIsExactAndCaseSensitive) {
    EXPECT_EQ(lookUpWord(u"cameraSync").startRequest, kRequestCamera);
    EXPECT_EQ(lookUpWord(u"ModelSync").startRequest, kRequestModelState);
    EXPECT_EQ(lookUpWord(u"lightSync").startRequest, kRequestLight);
    EXPECT_EQ(lookUpWord(u"viewsSync").startRequest, kRequestViews);
    EXPECT_TRUE(lookUpWord(u"colorMode").setsColorMode);
    EXPECT_EQ(lookUpWord(u"colorMode").startRequest, kRequestNone);
    EXPECT_EQ(lookUpWord(u"CameraSync").startRequest, kRequestNone);
    EXPECT_EQ(lookUpWord(u"cameraSync ").startRequest, kRequestNone);
    EXPECT_EQ(lookUpWord(u"").startRequest, kRequestNone);
    EXPECT_FALSE(lookUpWord(u"colormode").setsColorMode);
}

TEST(CommandLine, LightSyncIsTheQuietModelSync) {
    EXPECT_EQ(requestMessage(kRequestCamera), 1025u);
    EXPECT_EQ(requestMessage(kRequestModelState), 1026u);
    EXPECT_EQ(requestMessage(kRequestLight), 1028u);
    EXPECT_EQ(requestMessage(kRequestViews), 1029u);
    EXPECT_EQ(requestMessage(kRequestNone), 0u);
}
