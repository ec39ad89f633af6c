#include "records/job_progress.h"
#include "records/job_runner.h"
#include "records/records_table.h"
#include "records/report_painter.h"
#include "records/report_preview.h"
#include "support/records_fixture.h"
#include "support/test_paths.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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
    EXPECT_EQ(ReportPainter(QList<QStringList>()).pageCount(), 0);
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
    EXPECT_EQ(preview.pageView()->pageCount(), 6);

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

/** Runs steps straight through, as the real runner does when nobody cancels. */
class DirectRunner : public JobRunner {
public:
    void run(QWidget*, const QString&, JobProgress&, const std::function<void()>& work) override { work(); }
    void runInSteps(QWidget*, const QString&, JobProgress&, const std::function<bool()>& step) override
    {
        while (step()) { }
    }
};

/** A records table of @p rows logged readings, in a folder of its own. */
class LoggedTable {
public:
    explicit LoggedTable(int rows)
    {
        table.open(testsupport::copyRecordsTemplate(dir.path()));
        QList<testsupport::SampleRow> sample;
        for (int i = 1; i <= rows; ++i)
            sample.append({ i, QTime(14, 3, 27).addSecs(i), QStringLiteral("DC"), QStringLiteral("3.999"),
                3999, QStringLiteral("k*"), QStringLiteral("AUTO") });
        testsupport::appendRows(table, sample);
    }
    QTemporaryDir dir;
    RecordsTable table;
};

TEST(ReportFromTheTable, PageCountsFollowTheRows)
{
    if (!QFile::exists(QDir(testsupport::binDir()).filePath(QStringLiteral("Rk40vdb.DB"))))
        GTEST_SKIP() << "records template not built";
    struct Case {
        int rows;
        int pages;
    };
    for (const Case c : { Case { 0, 0 }, Case { 1, 1 }, Case { 37, 1 }, Case { 38, 2 }, Case { 200, 6 } }) {
        SCOPED_TRACE(c.rows);
        LoggedTable logged(c.rows);
        const ReportPainter report(logged.table.snapshot());
        EXPECT_EQ(report.pageCount(), c.pages);
        ReportPreview preview(report, nullptr, new DirectRunner);
        EXPECT_EQ(preview.pageView()->pageCount(), c.pages);
        if (c.rows > 0) {
            EXPECT_EQ(report.rowTexts(c.rows - 1).value(0), QString::number(c.rows));
        }
    }
}

TEST(ReportFromTheTable, RowsLoggedAfterItWasOpenedAreNotInIt)
{
    if (!QFile::exists(QDir(testsupport::binDir()).filePath(QStringLiteral("Rk40vdb.DB"))))
        GTEST_SKIP() << "records template not built";
    LoggedTable logged(37);
    const ReportPainter report(logged.table.snapshot());
    testsupport::appendRows(logged.table, testsupport::sampleRows());
    logged.table.emptyTable();
    EXPECT_EQ(report.pageCount(), 1);
    EXPECT_EQ(report.rowTexts(36).value(0), QStringLiteral("37"));
}

TEST(ReportPreviewDialog, PaintsOnlyThePagesInView)
{
    ReportPreview preview(ReportPainter(makeRows(100000)), nullptr, new DirectRunner);
    ReportPageView* view = preview.pageView();
    ASSERT_EQ(view->pageCount(), 2703);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    view->viewport()->repaint();
    ASSERT_FALSE(view->pagesPainted().isEmpty());
    EXPECT_EQ(view->pagesPainted().first(), 1);
    EXPECT_LE(view->pagesPainted().size(), 3);

    view->showPage(2000);
    view->viewport()->repaint();
    ASSERT_FALSE(view->pagesPainted().isEmpty());
    EXPECT_EQ(view->pagesPainted().first(), 2000);
    EXPECT_LE(view->pagesPainted().size(), 3);
    EXPECT_EQ(view->currentPage(), 2000);
}

/** Page 1 of @p pdf as an image, through poppler. */
QImage rasterFirstPage(const QString& pdf)
{
    const QString prefix = pdf + QStringLiteral(".page");
    QProcess::execute(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-f"), QStringLiteral("1"),
            QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"), QStringLiteral("-png"),
            pdf, prefix });
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

TEST_F(ReportPdf, PrintedTextLooksAsDrawnTextDoes)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        GTEST_SKIP() << "pdftoppm not installed";
    QList<QStringList> rows = makeRows(37);
    rows[3] = { "4", "23:59:59", "", "-1,234", "M*", "MANU" };
    rows[4] = { "5", "00:00:01", "AC", "OL", "#", "AUTO" };
    const ReportPainter report(rows);

    // Each text through drawText(), as pages were drawn before they were printed in runs.
    const QString drawn = dir_.filePath(QStringLiteral("drawn.pdf"));
    {
        QPdfWriter writer(drawn);
        ReportPainter::preparePage(&writer);
        QPainter painter(&writer);
        report.paintPage(painter, 0);
    }
    const QString printed = dir_.filePath(QStringLiteral("printed.pdf"));
    ASSERT_TRUE(report.writePdf(printed));

    const QImage a = rasterFirstPage(drawn);
    const QImage b = rasterFirstPage(printed);
    ASSERT_FALSE(a.isNull());
    ASSERT_EQ(a.size(), b.size());
    qint64 inked = 0;
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            inked += qGray(p) < 128;
            differing += std::abs(qGray(p) - qGray(q)) > 96;
        }
    EXPECT_GT(inked, 2000);
    EXPECT_LT(differing, inked / 100) << differing << " of " << inked << " inked pixels differ";
}

TEST_F(ReportPdf, CancelledExportLeavesTheOldFile)
{
    const QString path = dir_.filePath(QStringLiteral("kept.pdf"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older report");
    }
    JobProgress progress;
    progress.setObserver([&progress](qint64 pages) {
        if (pages >= 3)
            progress.cancel();
    });
    EXPECT_THROW(ReportPainter(makeRows(500)).writePdf(path, nullptr, &progress), JobCancelled);
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("an older report"));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList { QStringLiteral("kept.pdf") });
}

TEST_F(ReportPdf, PrintingAPageRangeGivesThosePages)
{
    ReportPreview preview(ReportPainter(makeRows(200)), nullptr, new DirectRunner);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = dir_.filePath(QStringLiteral("printed.pdf"));
    printer.setOutputFileName(pdf);
    ReportPainter::preparePage(&printer);
    ASSERT_TRUE(preview.printTo(&printer, 2, 3));
    ASSERT_EQ(pdfPages(pdf), 2);
    const QList<Word> words = wordsOnPage(pdf, 1);
    EXPECT_TRUE(std::any_of(words.begin(), words.end(), [](const Word& w) { return w.text == "38"; }));
}

} // namespace
