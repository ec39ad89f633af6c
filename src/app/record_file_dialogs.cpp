#include "app/record_file_dialogs.h"

#include "records/report_preview.h"

#include <QFileDialog>

QString QtRecordFileDialogs::openFileName(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // File names are case-sensitive here, and tables saved by this program end
    // in ".db": the filter shows its designed caption but matches any case.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters({ QStringLiteral("access data files (*.DB) (*.DB *.db *.Db *.dB)"),
        QStringLiteral("All files (*.*) (*)") });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString QtRecordFileDialogs::saveFileName(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("SaveDialog2"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters { QStringLiteral("Excel File(*.xls)"), QStringLiteral("DB File(*.db)"),
        QStringLiteral("Txt File(*.txt)"), QStringLiteral("CSV with date and time (*.csv)"),
        QStringLiteral("All File(*.*)") };
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("xls"));
    // A name typed without extension takes the chosen type's, not always "xls".
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const QStringList suffixes { QStringLiteral("xls"), QStringLiteral("db"), QStringLiteral("txt"),
            QStringLiteral("csv"), QStringLiteral("xls") };
        const QStringList names = dialog.nameFilters();
        const qsizetype index = names.indexOf(filter);
        dialog.setDefaultSuffix(suffixes.value(index, QStringLiteral("xls")));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void QtRecordFileDialogs::previewReport(QWidget* parent, const ReportPainter& report)
{
    ReportPreview preview(report, parent);
    preview.exec();
}
