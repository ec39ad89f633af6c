#pragma once

#include "app/tfcomm.h"
#include "support/scripted_asker.h"
#include "support/test_paths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

/**
 * Runs each test in a fresh folder holding its own copy of the records
 * template, so windows of parallel test programs never share a table file.
 * Windows made here answer message boxes through a ScriptedAsker and record
 * when they would end the program instead of ending it.
 */
class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(folder_.path());
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    /** Copies the built records template into the test's folder. */
    void provideTemplate()
    {
        ASSERT_TRUE(QFile::copy(binDir() + QStringLiteral("/Rk40vdb.DB"), folder_.filePath("Rk40vdb.DB")))
            << "records template missing in " << binDir().toStdString();
    }

    /** A window of @p variant; boxes go to asker(), the exit to terminated(). */
    std::unique_ptr<TFCOMM> makeWindow(const BuildVariant& variant = BuildVariant::shipped())
    {
        auto asker = std::make_unique<ScriptedAsker>();
        asked_ = asker->asked;
        answers_ = asker->answers;
        askerPtr_ = asker.get();
        auto w = std::make_unique<TFCOMM>(variant, std::move(asker));
        terminated_ = 0;
        w->setTerminateHandler([this] { ++terminated_; });
        return w;
    }

    const std::vector<ScriptedAsker::Asked>& asked() const { return *asked_; }
    void answer(QMessageBox::StandardButton b) { answers_->push_back(b); }
    ScriptedAsker& asker() { return *askerPtr_; }
    int terminated() const { return terminated_; }
    QString folder() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    QString previous_;
    std::shared_ptr<std::vector<ScriptedAsker::Asked>> asked_;
    std::shared_ptr<std::deque<QMessageBox::StandardButton>> answers_;
    ScriptedAsker* askerPtr_ = nullptr;
    int terminated_ = 0;
};

/** A mode frame as the meter sends it, led by the previous frame's LF: "A" + @p body + "D". */
inline QByteArray modeFrameBytes(const char* body)
{
    QByteArray bytes("\n");
    for (const char* c = body; *c; ++c) {
        const int nibble = QByteArray(1, *c).toInt(nullptr, 16);
        bytes.append(char(0x30 | nibble));
    }
    bytes.append('\r');
    return bytes;
}

} // namespace testsupport
