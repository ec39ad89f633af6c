#include "records/report_painter.h"
#include "records/report_preview.h"

#include <QAction>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QList<QStringList> makeRows(int count)
{
    QList<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows.append({ QString::number(i), QStringLiteral("14:03:27"), QStringLiteral("DC"),
            QStringLiteral("3.999"), QStringLiteral("k*"), QStringLiteral("AUTO") });
    return rows;
}

QString run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

/** One word of a PDF page with its top-left corner in millimetres from the page corner. */
struct Word {
    QString text;
    double left;
    double top;
};

QList<Word> wordsOnPage(const QString& pdf, int page)
{
    const QString html = run(QStringLiteral("pdftotext"),
        { QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
            QString::number(page), pdf, QStringLiteral("-") });
    static const QRegularExpression re(QStringLiteral(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="[0-9.]+" yMax="[0-9.]+">([^<]*)</word>)re"));
    QList<Word> words;
    constexpr double mmPerPt = 25.4 / 72.0;
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.append(
            { m.captured(3), m.captured(1).toDouble() * mmPerPt, m.captured(2).toDouble() * mmPerPt });
    }
    return words;
}

int pdfPages(const QString& pdf)
{
    static const QRegularExpression re(QStringLiteral(R"(Pages:\s+(\d+))"));
    return re.match(run(QStringLiteral("pdfinfo"), { pdf })).captured(1).toInt();
}

class ReportPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            GTEST_SKIP() << "poppler-utils not installed";
        ASSERT_TRUE(dir_.isValid());
    }

    QString write(int rows)
    {
        const QString path = dir_.filePath(QStringLiteral("report%1.pdf").arg(rows));
        QString error;
        EXPECT_TRUE(ReportPainter(makeRows(rows)).writePdf(path, &error)) << error.toStdString();
        return path;
    }

    QTemporaryDir dir_;
};

TEST_F(ReportPdf, PagesHoldThirtySevenRowsAndRepeatTheBands)
{
    struct Case {
        int rows;
        int pages;
        int rowsOnLastPage;
    };
    for (const Case c : { Case { 1, 1, 1 }, Case { 37, 1, 37 }, Case { 38, 2, 1 }, Case { 200, 6, 15 } }) {
        SCOPED_TRACE(c.rows);
        const QString pdf = write(c.rows);
        EXPECT_EQ(ReportPainter(makeRows(c.rows)).pageCount(), c.pages);
        ASSERT_EQ(pdfPages(pdf), c.pages);
        for (int page = 1; page <= c.pages; ++page) {
            const QList<Word> words = wordsOnPage(pdf, page);
            const auto count = [&](const QString& text) {
                return std::count_if(
                    words.begin(), words.end(), [&](const Word& w) { return w.text == text; });
            };
            EXPECT_EQ(count(QStringLiteral("Title")), 1) << "page " << page;
            EXPECT_EQ(count(QStringLiteral("Foot")), 1) << "page " << page;
            EXPECT_EQ(count(QStringLiteral("Value")), 1) << "page " << page;
            const int expectedRows = page == c.pages ? c.rowsOnLastPage : ReportPainter::RowsPerPage;
            EXPECT_EQ(count(QStringLiteral("3.999")), expectedRows) << "page " << page;
        }
    }
}

TEST_F(ReportPdf, EmptyTableHasNoPages)
{
    EXPECT_EQ(ReportPainter({}).pageCount(), 0);
}

TEST_F(ReportPdf, BandsAndFieldsSitWhereTheLayoutPutsThem)
{
    const QList<Word> words = wordsOnPage(write(38), 1);
    // Page corner to band: 10 mm margin; page header 10.58 mm, column header
    // 10.58 mm, detail lines 6.61 mm each, page footer at the bottom margin.
    struct Expected {
        const char* text;
        int occurrence; // 0 = first on the page
        double left;
        double top;
    };
    const double detail1 = 10 + 21.16 + 2.12;
    const double detail37 = detail1 + 36 * 6.61;
    const Expected expected[] = {
        { "No", 0, 10 + 8.47, 10 + 10.58 + 4.23 },
        { "Time", 0, 10 + 33.87, 10 + 10.58 + 4.23 },
        { "DC/AC", 0, 10 + 64.29, 10 + 10.58 + 4.23 },
        { "Value", 0, 10 + 99.48, 10 + 10.58 + 4.23 },
        { "Unit", 0, 10 + 132.29, 10 + 10.58 + 4.23 },
        { "AUTO", 0, 10 + 162.98, 10 + 10.58 + 4.23 },
        { "1", 0, 10 + 8.47, detail1 },
        { "14:03:27", 0, 10 + 33.87, detail1 },
        { "DC", 0, 10 + 65.62, detail1 },
        { "3.999", 0, 10 + 99.48, detail1 },
        { "k\u03a9", 0, 10 + 131.23, detail1 },
        { "AUTO", 1, 10 + 162.98, detail1 },
        { "37", 0, 10 + 8.47, detail37 },
        { "The", 1, 10 + 8.47, 297 - 10 - 10.58 + 4.23 },
    };
    constexpr double tolerance = 0.8;
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.text);
        int seen = 0;
        const Word* found = nullptr;
        for (const Word& w : words) {
            if (w.text == QString::fromUtf8(e.text) && seen++ == e.occurrence) {
                found = &w;
                break;
            }
        }
        ASSERT_NE(found, nullptr);
        EXPECT_NEAR(found->left, e.left, tolerance);
        EXPECT_NEAR(found->top, e.top, tolerance);
    }
    // The title is centred across the 189.97 mm band.
    const auto title
        = std::find_if(words.begin(), words.end(), [](const Word& w) { return w.text == "The"; });
    ASSERT_NE(title, words.end());
    EXPECT_NEAR(title->top, 10 + 2.12, tolerance);
    EXPECT_GT(title->left, 10 + 60.0);
    EXPECT_LT(title->left, 10 + 95.0);
}

TEST_F(ReportPdf, UnwritablePathFailsWithReason)
{
    QString error;
    EXPECT_FALSE(ReportPainter(makeRows(1)).writePdf(dir_.filePath(QStringLiteral("missing/r.pdf")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(ReportLayout, RowsPerPageFollowsTheArea)
{
    EXPECT_EQ(ReportPainter::rowsPerPage(277.0), 37);
    EXPECT_EQ(ReportPainter::rowsPerPage(31.75 + 6.61), 1);
}

TEST(ReportPreviewDialog, ShowsEveryPageAndExportsPdf)
{
    ReportPreview preview(ReportPainter(makeRows(200)));
    auto* pages = preview.findChild<QPrintPreviewWidget*>();
    ASSERT_NE(pages, nullptr);
    pages->updatePreview();
    EXPECT_EQ(pages->pageCount(), 6);

    auto* exportAction = preview.findChild<QAction*>(QStringLiteral("ExportPdf"));
    ASSERT_NE(exportAction, nullptr);
    EXPECT_EQ(exportAction->text(), QStringLiteral("Export PDF"));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    ASSERT_TRUE(preview.exportPdfTo(pdf));
    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.read(5) == "%PDF-");
}

} // namespace
