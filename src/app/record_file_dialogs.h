#pragma once

#include <QString>

class QWidget;
class ReportPainter;

/**
 * The dialogs of the record file commands: choosing a file to open or save
 * and showing the report's print preview. The window goes through this
 * interface so that tests can answer the dialogs without blocking.
 */
class RecordFileDialogs {
public:
    virtual ~RecordFileDialogs() = default;

    /** `OpenDialog1`: the Paradox table to open; empty when cancelled. */
    virtual QString openFileName(QWidget* parent) = 0;

    /**
     * `SaveDialog2`: the file to save to, completed with the chosen type's
     * extension ("xls" unless another type is chosen) when typed without
     * one; asks before replacing a file. Empty when cancelled.
     */
    virtual QString saveFileName(QWidget* parent) = 0;

    /** Shows @p report in the print preview and returns once it is closed. */
    virtual void previewReport(QWidget* parent, const ReportPainter& report) = 0;
};

/** The real dialogs: Qt file dialogs and the report's print preview. */
class QtRecordFileDialogs : public RecordFileDialogs {
public:
    QString openFileName(QWidget* parent) override;
    QString saveFileName(QWidget* parent) override;
    void previewReport(QWidget* parent, const ReportPainter& report) override;
};
