// RAPPORT.HTML opened in a real browser (headless Chromium, from a file URL,
// no network): the chart is drawn and sized, on a large and on a phone-sized
// window, and the totals the page shows are the CSV's. The screenshots are
// kept in build/screens/report/ for a look.
#include "base/CodePage.h"
#include "tests/support/ToolRun.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <csignal>
#include <map>
#include <unistd.h>

using namespace tallivo;
using namespace tallivo::test;

namespace {

// What the page measures of itself once rendered, written into the DOM.
const char* const kProbe =
    "<script>const s=document.getElementById('graphique-categories'),r=s.getBoundingClientRect(),"
    "o={largeur:r.width,hauteur:r.height,barres:s.querySelectorAll('rect.barre').length,"
    "pageLargeur:document.documentElement.clientWidth};"
    "for(const e of document.querySelectorAll('[id^=total-]'))o[e.id]=e.innerText;"
    "const p=document.createElement('pre');p.id='mesures';p.textContent=JSON.stringify(o);"
    "document.body.appendChild(p);</script></body>";

// Runs Chromium in a process group of its own, and ends the whole group
// afterwards, whatever happened: no browser process outlives the test.
QByteArray Chromium(const QStringList& args, const QString& profile) {
    QProcess p;
    p.setChildProcessModifier([] { setsid(); });
    p.start("chromium", QStringList{"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                    "--disable-background-networking", "--disable-component-update",
                                    "--disable-sync", "--user-data-dir=" + profile} +
                            args);
    const bool started = p.waitForStarted(30000);
    if (started && !p.waitForFinished(180000)) ADD_FAILURE() << "chromium did not finish in 3 minutes";
    if (p.processId() > 0) ::kill(-pid_t(p.processId()), SIGKILL);
    p.waitForFinished(5000);
    EXPECT_TRUE(started) << "chromium did not start: install it (scripts/setup.sh)";
    return p.readAllStandardOutput();
}

double Number(QString text) {
    text.remove(QChar(0x00A0)).remove(u' ').replace(u',', u'.');
    return text.toDouble();
}

} // namespace

TEST(ReportInBrowser, TheChartIsDrawnAndTheTotalsAreTheCsvs) {
    QTemporaryDir dir, profile;
    ASSERT_TRUE(dir.isValid() && profile.isValid());
    TToolOptions here;
    here.WorkingDirectory = dir.path();
    ASSERT_EQ(RunTool(TALLIVO_CATGEN_TOOL, {"--stock", "ARTICLE.XML", "3000"}, here).Code, 0);
    ASSERT_EQ(RunTool(TALLIVO_CATGEN_TOOL, {"--count", "3000", "A.XML", "2500", "1"}, here).Code, 0);
    ASSERT_EQ(RunTool(TALLIVO_CATGEN_TOOL, {"--count", "3000", "B.XML", "300", "2"}, here).Code, 0);
    const TToolRun made =
        RunTool(TALLIVO_OFFICE_TOOL, {"report", "ARTICLE.XML", "OUT", "A.XML", "B.XML"}, here);
    ASSERT_EQ(made.Code, 0) << made.Err.constData();

    // The CSV's totals.
    std::map<QString, int> situations;
    std::map<QString, double> byCategory;
    double value = 0;
    int recount = 0;
    QFile csv(dir.filePath("OUT/ECARTS.CSV"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    csv.readLine();
    while (!csv.atEnd()) {
        const QStringList c = FromAnsi(csv.readLine().trimmed().toStdString()).split(u';');
        ++situations[c[7]];
        value += Number(c[6]);
        byCategory[c[2]] += Number(c[6]);
        recount += c[8] == "oui";
    }
    int bars = 0;
    for (const auto& [name, v] : byCategory) bars += v != 0;

    QByteArray page;
    QFile html(dir.filePath("OUT/RAPPORT.HTML"));
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    page = html.readAll().replace("</body>", kProbe);
    QFile probe(dir.filePath("OUT/PROBE.HTML"));
    ASSERT_TRUE(probe.open(QIODevice::WriteOnly) && probe.write(page) == page.size());
    probe.close();
    const QString url = "file://" + probe.fileName();
    QDir().mkpath(TALLIVO_SCREENS_DIR);

    for (const auto& [width, minChart] : {std::pair{1280, 700}, std::pair{400, 560}}) {
        const QString size = QStringLiteral("--window-size=%1,1600").arg(width);
        const QByteArray dom = Chromium({size, "--dump-dom", url}, profile.path());
        const QRegularExpressionMatch m = QRegularExpression("<pre id=\"mesures\">(.*?)</pre>").match(dom);
        ASSERT_TRUE(m.hasMatch()) << dom.right(500).constData();
        const QJsonObject o =
            QJsonDocument::fromJson(
                m.captured(1).replace("&quot;", "\"").replace("&nbsp;", " ").replace("&amp;", "&").toUtf8())
                .object();
        EXPECT_GE(o["largeur"].toDouble(), minChart) << width;
        EXPECT_GT(o["hauteur"].toDouble(), 300) << width;
        EXPECT_EQ(o["barres"].toInt(), bars) << width;
        EXPECT_EQ(Number(o["total-attendus"].toString()), situations["compté"] + situations["non compté"]);
        EXPECT_EQ(Number(o["total-non-comptes"].toString()), situations["non compté"]);
        EXPECT_EQ(Number(o["total-comptes"].toString()),
                  situations["compté"] + situations["non attendu"] + situations["hors catalogue"]);
        EXPECT_EQ(Number(o["total-non-attendus"].toString()),
                  situations["non attendu"] + situations["hors catalogue"]);
        EXPECT_EQ(Number(o["total-recompter"].toString()), recount);
        EXPECT_NEAR(Number(o["total-valeur"].toString()), value, 0.006);

        const QString png = QStringLiteral(TALLIVO_SCREENS_DIR "/rapport-%1.png").arg(width);
        QFile::remove(png);
        Chromium({size, "--hide-scrollbars", "--screenshot=" + png, "file://" + html.fileName()},
                 profile.path());
        QFile shot(png);
        ASSERT_TRUE(shot.open(QIODevice::ReadOnly)) << png.toStdString();
        const QByteArray head = shot.read(24);
        ASSERT_TRUE(head.startsWith("\x89PNG")) << png.toStdString();
        EXPECT_EQ(qFromBigEndian<quint32>(head.constData() + 16), quint32(width));
    }
}
