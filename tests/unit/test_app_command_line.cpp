// The viewer's own arguments taken out of argv: --mesh, --textures (as many
// as given, in order), MODEL; GLUT's options and their values left for GLUT.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

TEST(AppCommandLine, TexturesFoldersAreKeptInOrderAndTheRestGoesToGlut) {
    std::vector<std::string> words = {"boneloom",
                                      "--textures",
                                      "skins",
                                      "-display",
                                      ":3",
                                      "--mesh",
                                      "--textures=more/skins",
                                      "models/hero.skp"};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    int argc = (int)words.size();
    ViewerCommandLine args;
    ASSERT_TRUE(ParseViewerCommandLine(&argc, argv.data(), &args)) << args.error;
    EXPECT_EQ(args.texture_dirs, std::vector<std::string>({"skins", "more/skins"}));
    EXPECT_TRUE(args.mesh);
    EXPECT_EQ(args.skm, "models/hero.skm");
    ASSERT_EQ(argc, 3);
    EXPECT_STREQ(argv[1], "-display");
    EXPECT_STREQ(argv[2], ":3");

    for (const char* last : {"--textures", "--textures="}) {
        std::vector<std::string> bad = {"boneloom", "m", last};
        std::vector<char*> badv;
        for (std::string& w : bad) badv.push_back(&w[0]);
        badv.push_back(nullptr);
        int badc = 3;
        ViewerCommandLine refused;
        EXPECT_FALSE(ParseViewerCommandLine(&badc, badv.data(), &refused)) << last;
        EXPECT_EQ(refused.error, "--textures needs a folder");
    }
}
