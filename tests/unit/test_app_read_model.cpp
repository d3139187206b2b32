// The viewer's start-up loaders: the fatal cases end the process with status
// 1, and a good pair becomes CurrentModel with its key channels reset.
#include <sys/stat.h>
#include <unistd.h>

#include "app/read_model.h"
#include "demo/sample.h"
#include "tests/unit/test_session_globals.h"
#include "tests/unit/test_model_helpers.h"
#include "session/session.h"

namespace {

using AppReadModel = CoreGlobalsTest;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(AppReadModelExit, FatalCasesEndTheProcessWithStatusOne) {
    TempDir dir;
    WriteWhole(dir.File("short.skm"), Image{'S', 'K', 'M', '1', 2, 0});
    SkelModel model;
    EXPECT_EXIT(ReadSKM(dir.File("absent.skm").c_str()), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(ReadSKM(dir.File("short.skm").c_str()), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(ReadSKP(dir.File("absent.skp").c_str(), &model), testing::ExitedWithCode(1), "");
}

TEST_F(AppReadModel, ReadSkmLoadsThePairAndMakesItCurrent) {
    TempDir dir;
    ASSERT_EQ(mkdir(dir.File("data").c_str(), 0777), 0);
    SkelModel sample;
    BuildSampleModel(&sample);
    WriteWhole(dir.File("data/tris.skm"), ExportImage(sample, true));
    WriteWhole(dir.File("data/tris.skp"), ExportImage(sample, false));

    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    SkelModel* before = CurrentModel;
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    testing::internal::CaptureStdout();
    ReadSKM("data/tris.skm");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(chdir(cwd), 0);

    ASSERT_NE(CurrentModel, nullptr);
    EXPECT_NE(CurrentModel, before);
    ExpectSameModel(sample, *CurrentModel);
    EXPECT_TRUE(Has(out, "Reading SKM model data/tris.skm\n"));
    EXPECT_TRUE(Has(out, "Reading SKP model data/tris.skp\n"));
    EXPECT_TRUE(Has(out, "New BONE NAMES list:\n"));
    EXPECT_EQ(KeyActive[(unsigned char)'L'], 1) << "the key channels were reset from the new bones";
    EXPECT_EQ(ModelTimer.anims[0].lastframe, sample.numframes);
    delete CurrentModel;
}
