#pragma once

#include "app/record_file_dialogs.h"
#include "records/report_painter.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <memory>

namespace testsupport {

/**
 * Answers the record file dialogs from queues instead of showing them, and
 * records each report handed to the print preview. An empty queue answers
 * as if the user cancelled.
 */
class ScriptedFileDialogs : public RecordFileDialogs {
public:
    struct Script {
        std::deque<QString> openNames;
        std::deque<QString> saveNames;
        int openAsked = 0;
        int saveAsked = 0;
        QList<int> previewedPageCounts;
        /** Runs while the preview is "open", to act as the preview does (it may throw). */
        std::function<void(const ReportPainter&)> whilePreviewing;
    };

    /** Shared with the test, still readable after the window took the dialogs. */
    std::shared_ptr<Script> script = std::make_shared<Script>();

    QString openFileName(QWidget*) override
    {
        ++script->openAsked;
        return take(script->openNames);
    }

    QString saveFileName(QWidget*) override
    {
        ++script->saveAsked;
        return take(script->saveNames);
    }

    void previewReport(QWidget*, const ReportPainter& report) override
    {
        script->previewedPageCounts.append(report.pageCount());
        if (script->whilePreviewing)
            script->whilePreviewing(report);
    }

private:
    static QString take(std::deque<QString>& names)
    {
        if (names.empty())
            return {};
        QString name = names.front();
        names.pop_front();
        return name;
    }
};

} // namespace testsupport
