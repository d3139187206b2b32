// Skin names with folders, as other systems write them: looked up below each
// folder of the search, each part matched in any case, backslashes read as
// folder separators; only files are found; the message path when none is.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "render/skin_files.h"

TEST(SkinFiles, NamesWithFoldersAreFoundBelowEachFolderInAnyCase) {
    char pattern[] = "/tmp/boneloom_skin_files_XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    std::string root = pattern;
    for (const char* dir :
         {"/model", "/extra", "/extra/Models", "/extra/Models/Props", "/model/crate.png"})
        ASSERT_EQ(mkdir((root + dir).c_str(), 0755), 0);
    FILE* f = fopen((root + "/extra/Models/Props/Crate.PNG").c_str(), "wb");
    ASSERT_TRUE(f);
    fclose(f);

    SkinSearch search = {root + "/model", {root + "/extra"}};
    const std::string want = root + "/extra/Models/Props/Crate.PNG";
    EXPECT_EQ(FindSkinTexture("models/props/crate", &search), want);
    EXPECT_EQ(FindSkinTexture("models\\props\\crate.png", &search), want);
    EXPECT_EQ(FindSkinTexture((root + "/extra/Models/Props/Crate").c_str(), &search), want);
    // A folder named like the texture is not it, and a name cut at a folder
    // separator finds nothing.
    EXPECT_EQ(FindSkinTexture("crate", &search), "");
    EXPECT_EQ(FindSkinTexture("models/props/", &search), "");
    EXPECT_EQ(FindSkinTexture("", &search), "");
    EXPECT_EQ(MissingSkinPath("crate", &search), root + "/model/crate.tga");
    EXPECT_EQ(MissingSkinPath("photo.JPG", &search), root + "/model/photo.JPG");
    SkinSearch here;
    EXPECT_EQ(MissingSkinPath("crate", &here), "./crate.tga");
    std::system(("rm -rf '" + root + "'").c_str());
}
