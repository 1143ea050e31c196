// The labels and the phone list printed through a real CUPS queue: a private
// cupsd in a temporary folder, listening on a Unix socket, with a cups-pdf
// queue whose PDFs land in that folder. The PDF that comes out is read back
// with pdfinfo and pdftotext: the paper, the labels on the first page and
// where their text stands.
#include "host/gui/SharedPrinter.h"
#include "reports/ReportLayout.h"
#include "reports/ReportRun.h"
#include "reports/ReportTestSupport.h"
#include "reports/gui/ReportRunner.h"
#include "support/ChildProcess.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <memory>
#include <unistd.h>

using namespace tabulo;

namespace {

// "print-through-cups <data dir> <queue> <report>": prints one report of the
// data directory's store to the queue of the CUPS server in CUPS_SERVER, as
// the preview's Print does, in a process of its own (the CUPS library keeps
// the server it first talked to for the life of a process).
const bool s_roles = test::registerChildRole("print-through-cups", [](int argc, char **argv) {
    if (argc < 3)
        return 10;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char name[] = "print-through-cups";
    char *qtArgv[] = {name, nullptr};
    QApplication app(qtArgc, qtArgv);
    store::Store::instance().setDirectory(QString::fromLocal8Bit(argv[0]));
    const auto kind = reports::reportKindFromCommand(QString::fromLocal8Bit(argv[2]));
    if (!kind)
        return 11;
    std::optional<reports::ReportRun::Failure> failure;
    const reports::ReportDocument document = reports::runReport(*kind, failure);
    if (failure || document.pages.empty())
        return 12;
    QPrinter &printer = host::gui::sharedPrinter();
    printer.setPrinterName(QString::fromLocal8Bit(argv[1]));
    if (printer.printerName() != QString::fromLocal8Bit(argv[1]))
        return 13; // the queue is not known to the server
    const int result = reports::gui::printReport(document, nullptr) ? 0 : 14;
    store::Store::instance().closeAll();
    return result;
});

QString run(const QString &program, const QStringList &args, int *exitCode = nullptr,
            const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000))
        p.kill();
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

// A private CUPS server with one cups-pdf queue. cups-pdf reads the
// settings of a queue whose device is "cups-pdf:/NAME" from
// /etc/cups/cups-pdf-NAME.conf only: the server writes one for its own
// queue (a name no one else uses) and takes it away again.
class CupsServer final {
public:
    // Starts the server; false with the reason when it cannot run here.
    bool start(QString &why) {
        const QString cupsd =
            QStandardPaths::findExecutable(QStringLiteral("cupsd"), {QStringLiteral("/usr/sbin")});
        const QString lpadmin =
            QStandardPaths::findExecutable(QStringLiteral("lpadmin"), {QStringLiteral("/usr/sbin")});
        const QString ppd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
        if (cupsd.isEmpty() || lpadmin.isEmpty()) {
            why = QStringLiteral("cupsd or lpadmin is not installed (packages cups, cups-client)");
            return false;
        }
        if (!QFileInfo::exists(QStringLiteral("/usr/lib/cups/backend/cups-pdf")) || !QFileInfo::exists(ppd)) {
            why = QStringLiteral("the cups-pdf backend is not installed (package printer-driver-cups-pdf)");
            return false;
        }
        for (const char *tool : {"pdfinfo", "pdftotext"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                why = QStringLiteral("%1 (poppler-utils) is not installed").arg(QString::fromLatin1(tool));
                return false;
            }
        }
        if (!m_dir.isValid()) {
            why = QStringLiteral("no temporary folder");
            return false;
        }
        const QString root = m_dir.path();
        // The filters run as the server's own user (lp): they must reach the
        // spool and the temporary files.
        QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                        QFile::ExeOther);
        for (const char *sub : {"etc", "spool", "tmp", "cache", "state", "log", "out", "pdf-spool"})
            QDir(root).mkpath(QString::fromLatin1(sub));
        for (const char *open : {"tmp", "out", "pdf-spool"})
            QFile::setPermissions(QDir(root).filePath(QString::fromLatin1(open)),
                                  QFileDevice::Permissions(0x7777));
        m_socket = QDir(root).filePath(QStringLiteral("cups.sock"));
        m_out = QDir(root).filePath(QStringLiteral("out"));
        m_queue = QStringLiteral("tabulo-test-%1").arg(::getpid());
        const auto write = [&why](const QString &path, const QString &text) {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toUtf8()) < 0) {
                why = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
                return false;
            }
            return true;
        };
        const QString etc = QDir(root).filePath(QStringLiteral("etc"));
        if (!write(etc + QStringLiteral("/cupsd.conf"),
                   QStringLiteral("Listen %1\nLogLevel info\nBrowsing Off\nWebInterface No\n"
                                  "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n"
                                  "</Location>\n<Policy default>\n  <Limit All>\n    Order allow,deny\n"
                                  "    Allow all\n  </Limit>\n</Policy>\n")
                       .arg(m_socket)) ||
            !write(
                etc + QStringLiteral("/cups-files.conf"),
                QStringLiteral("ServerRoot %1/etc\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                               "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                               "PageLog %1/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n")
                    .arg(root)))
            return false;
        m_pdfConf = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(m_queue);
        if (!write(m_pdfConf, QStringLiteral("Out %1\nAnonDirName %1\nSpool %2/pdf-spool\nLog %2/log\n"
                                             "GSTmp %2/tmp\nUserUMask 0000\n")
                                  .arg(m_out, root))) {
            why += QStringLiteral(" (the cups-pdf queue's settings must go to /etc/cups: run as root)");
            m_pdfConf.clear();
            return false;
        }

        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), etc + QStringLiteral("/cupsd.conf"),
                              QStringLiteral("-s"), etc + QStringLiteral("/cups-files.conf")});
        if (!m_cupsd.waitForStarted(10000)) {
            why = QStringLiteral("cupsd did not start: %1").arg(m_cupsd.errorString());
            return false;
        }
        // Ready when lpstat gets an answer through the socket.
        const QDeadlineTimer ready(30000);
        int status = -1;
        while (!ready.hasExpired() && m_cupsd.state() == QProcess::Running) {
            if (QFileInfo::exists(m_socket)) {
                run(QStringLiteral("lpstat"), {QStringLiteral("-h"), m_socket, QStringLiteral("-r")},
                    &status);
                if (status == 0)
                    break;
            }
            QThread::msleep(100);
        }
        if (status != 0) {
            why = QStringLiteral("cupsd did not answer on %1: %2 %3")
                      .arg(m_socket, QString::fromUtf8(m_cupsd.readAll()), errorLog());
            return false;
        }
        // The PDF goes to cups-pdf as PostScript; made by pdftocairo it keeps
        // its text as text that the PDF at the end still reads back.
        const QString added =
            run(lpadmin,
                {QStringLiteral("-h"), m_socket, QStringLiteral("-p"), m_queue, QStringLiteral("-v"),
                 QStringLiteral("cups-pdf:/") + m_queue, QStringLiteral("-P"), ppd, QStringLiteral("-o"),
                 QStringLiteral("pdftops-renderer-default=pdftocairo"), QStringLiteral("-E")},
                &status);
        if (status != 0) {
            why = QStringLiteral("lpadmin could not add the queue: %1").arg(added);
            return false;
        }
        return true;
    }

    ~CupsServer() {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(10000))
                m_cupsd.kill();
            m_cupsd.waitForFinished(5000);
        }
        if (!m_pdfConf.isEmpty())
            QFile::remove(m_pdfConf);
    }

    // Prints `report` of the store in `dataDir` and waits (bounded) for the
    // PDF cups-pdf makes of it; empty with the reason in `why` when none came.
    QString print(const QString &dataDir, const char *report, QString &why) {
        const QStringList before = pdfs();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CUPS_SERVER"), m_socket);
        int status = -1;
        const QString said = run(test::selfPath(),
                                 {QStringLiteral("--child"), QStringLiteral("print-through-cups"), dataDir,
                                  m_queue, QString::fromLatin1(report)},
                                 &status, env);
        if (status != 0) {
            why = QStringLiteral("printing failed (%1): %2").arg(status).arg(said);
            return {};
        }
        // cups-pdf writes the file under a hidden mode and opens it when
        // ghostscript is done: wait for a new PDF that can be read.
        const QDeadlineTimer done(60000);
        while (!done.hasExpired()) {
            for (const QString &file : pdfs()) {
                if (!before.contains(file) && QFileInfo(file).isReadable() && QFileInfo(file).size() > 0 &&
                    jobsDone())
                    return file;
            }
            QThread::msleep(200);
        }
        why = QStringLiteral("no PDF came out of the queue within a minute: %1").arg(errorLog());
        return {};
    }

private:
    QStringList pdfs() const {
        QStringList files;
        for (const QFileInfo &f : QDir(m_out).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
            files << f.absoluteFilePath();
        return files;
    }
    bool jobsDone() const {
        int status = -1;
        const QString jobs =
            run(QStringLiteral("lpstat"), {QStringLiteral("-h"), m_socket, QStringLiteral("-o")}, &status);
        return status == 0 && jobs.trimmed().isEmpty();
    }
    QString errorLog() const {
        QFile log(m_dir.filePath(QStringLiteral("log/error_log")));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll().right(2000)) : QString();
    }

    QTemporaryDir m_dir;
    QProcess m_cupsd;
    QString m_socket, m_out, m_queue, m_pdfConf;
};

struct Word {
    int page;
    double xMin, yMin;
    QString text;
};

std::vector<Word> wordsOf(const QString &pdf) {
    const QString html =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    std::vector<Word> words;
    int page = 0;
    static const QRegularExpression tag(QString::fromLatin1(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page")))
            ++page;
        else
            words.push_back({page, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3)});
    }
    return words;
}

// Every page's size in points, from pdfinfo.
std::vector<QSizeF> pageSizes(const QString &pdf) {
    const QString info = run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                         QStringLiteral("-l"), QStringLiteral("99"), pdf});
    std::vector<QSizeF> sizes;
    static const QRegularExpression size(QStringLiteral(R"(Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts)"));
    for (auto it = size.globalMatch(info); it.hasNext();) {
        const auto m = it.next();
        sizes.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return sizes;
}

class CupsPrinting : public test::ReportFixture {
protected:
    static void SetUpTestSuite() {
        s_server = std::make_unique<CupsServer>();
        if (!s_server->start(s_why))
            s_server.reset();
    }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override {
        ReportFixture::SetUp();
        if (!s_server)
            GTEST_SKIP() << "CUPS cannot run here: " << s_why.toStdString();
    }

    static inline std::unique_ptr<CupsServer> s_server;
    static inline QString s_why;
};

constexpr double kLetterWidth = 612, kLetterHeight = 792; // points
// Across, the text stands where it was put; down, a word's box depends on
// the font's ascent as the printed PDF declares it, well under a line apart.
constexpr double kSlack = 1.5, kSlackDown = 2.5; // points

TEST_F(CupsPrinting, LabelsComeOutOnLetterThirtyToAPageWhereTheGeometryPutsThem) {
    for (int i = 1; i <= 31; ++i) {
        test::Person p{QStringLiteral("Pat"), QStringLiteral("Person%1").arg(i, 3, 10, QLatin1Char('0'))};
        if (i == 4)
            p.addr2 = QStringLiteral("Apt 4");
        addPerson(p);
    }
    QString why;
    const QString pdf = s_server->print(m_dir.path(), "name-labels", why);
    ASSERT_FALSE(pdf.isEmpty()) << why.toStdString();

    const std::vector<QSizeF> sizes = pageSizes(pdf);
    ASSERT_EQ(sizes.size(), 2u) << "31 labels: a full page and one more";
    for (const QSizeF &s : sizes) {
        EXPECT_NEAR(s.width(), kLetterWidth, 0.5);
        EXPECT_NEAR(s.height(), kLetterHeight, 0.5);
    }
    const std::vector<Word> words = wordsOf(pdf);
    const auto count = [&](int page, const QString &text) {
        return std::count_if(words.begin(), words.end(),
                             [&](const Word &w) { return w.page == page && w.text == text; });
    };
    EXPECT_EQ(count(1, QStringLiteral("Pat")), 30);
    EXPECT_EQ(count(2, QStringLiteral("Pat")), 1);
    EXPECT_EQ(count(2, QStringLiteral("Person031")), 1);

    const reports::LabelGeometry g = reports::LabelGeometry::forKind(reports::ReportKind::NameLabels);
    const auto at = [&](int page, double x, double y, const QString &text) {
        return std::any_of(words.begin(), words.end(), [&](const Word &w) {
            return w.page == page && w.text == text && std::abs(w.xMin - x) <= kSlack &&
                   std::abs(w.yMin - y) <= kSlackDown;
        });
    };
    const struct {
        int label, line;
        const char *word;
    } lines[] = {{0, 0, "Pat"}, {0, 1, "1"},           {0, 2, "Springfield"}, {2, 0, "Pat"},
                 {3, 2, "Apt"}, {3, 3, "Springfield"}, {29, 0, "Pat"},        {29, 2, "Springfield"}};
    for (const auto &l : lines) {
        const auto slot = g.slot(l.label);
        const double x = (slot.x + g.lineLeft) * 72.0 / 1000.0;
        const double y = (slot.y + g.lineTops[static_cast<size_t>(l.line)]) * 72.0 / 1000.0;
        EXPECT_TRUE(at(1, x, y, QString::fromLatin1(l.word)))
            << "label " << l.label + 1 << " line " << l.line + 1 << " expected at " << x << "," << y;
    }
}

TEST_F(CupsPrinting, ThePhoneListComesOutOnLetterWithItsHeadingAndLines) {
    addPerson({QStringLiteral("Ann"), QStringLiteral("Lee")}, {},
              {{QStringLiteral("Home"), QStringLiteral("6145550100")}});
    addPerson({QStringLiteral("Bo"), QStringLiteral("Ray")}, {},
              {{QStringLiteral("Work"), QStringLiteral("6145550101")}});
    QString why;
    const QString pdf = s_server->print(m_dir.path(), "name-phones", why);
    ASSERT_FALSE(pdf.isEmpty()) << why.toStdString();

    const std::vector<QSizeF> sizes = pageSizes(pdf);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_NEAR(sizes[0].width(), kLetterWidth, 0.5);
    EXPECT_NEAR(sizes[0].height(), kLetterHeight, 0.5);
    const std::vector<Word> words = wordsOf(pdf);
    const auto find = [&](const QString &text) -> const Word * {
        for (const Word &w : words)
            if (w.text == text)
                return &w;
        return nullptr;
    };
    // The page header stands at a quarter inch from the paper's corner.
    const Word *title = find(QStringLiteral("Name"));
    ASSERT_NE(title, nullptr);
    EXPECT_NEAR(title->xMin, 250 * 72.0 / 1000.0, kSlack);
    for (const char *text : {"Phone", "List", "All", "Categories", "Ann", "Lee", "Bo", "Ray", "(614)"})
        EXPECT_NE(find(QString::fromLatin1(text)), nullptr) << text;
    // Ann's heading comes before her phone line, and Bo's after both.
    const Word *ann = find(QStringLiteral("Ann"));
    const Word *bo = find(QStringLiteral("Bo"));
    const Word *home = find(QStringLiteral("Home"));
    ASSERT_TRUE(ann && bo && home);
    EXPECT_LT(ann->yMin, home->yMin);
    EXPECT_LT(home->yMin, bo->yMin);
}

} // namespace
