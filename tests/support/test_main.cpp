// Shared entry point of every test program: a QApplication on the offscreen
// platform (unless the caller chose another), then GoogleTest. Each test
// gets a data folder of its own (XDG_DATA_HOME), so the journal every
// window writes never carries rows from one test into the next.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>

namespace {

class FreshDataFolder : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override
    {
        folder_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder_->path()));
    }
    void OnTestEnd(const ::testing::TestInfo&) override { folder_.reset(); }

private:
    std::unique_ptr<QTemporaryDir> folder_;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshDataFolder);
    return RUN_ALL_TESTS();
}
