#include "support/TestProcesses.h"
#include "support/VirtualDisplay.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// Installed under DESTDIR with this prefix: a file anywhere else was installed outside the prefix.
const QString kPrefix = u"/opt/tidewell"_s;
const QString kData = QStringLiteral(TIDEWELL_DATADIR "/");
// Every installed file, relative to the prefix: the two programs first.
const QStringList kFiles{
    QStringLiteral(TIDEWELL_BINDIR "/tidewell"),
    QStringLiteral(TIDEWELL_HELPERDIR "/tidewell-helper"),
    kData + u"applications/com.orvane.Tidewell.desktop"_s,
    kData + u"icons/hicolor/scalable/apps/tidewell.svg"_s,
    kData + u"metainfo/com.orvane.Tidewell.metainfo.xml"_s,
    QStringLiteral(TIDEWELL_MANDIR "/man1/tidewell.1"),
    kData + u"bash-completion/completions/tidewell"_s,
    QStringLiteral(TIDEWELL_ZSHDIR "/_tidewell"),
    kData + u"fish/vendor_completions.d/tidewell.fish"_s,
    kData + u"icons/hicolor/scalable/apps/tidewell-symbolic.svg"_s,
};
// Their places in that list.
constexpr int kProgram = 0, kHelper = 1, kDesktopEntry = 2, kMetainfo = 4, kManPage = 5, kBash = 6, kZsh = 7,
              kFish = 8;

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// `environment` is added to the test's own.
Run run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment = {})
{
    const ProgramRun done = runProgram(program, arguments, environment, 300'000);
    return {done.exitCode, QString::fromUtf8(done.out), QString::fromUtf8(done.err)};
}

// Every option `--help` prints ("-?, -h, --help", "--timeout <seconds>"), by its name.
QStringList helpOptions(const QString& helpText)
{
    static const QRegularExpression optionColumn(u"^ +(-\\S.*?)(?: {2,}|$)"_s);
    QStringList options;
    for (const QString& line : helpText.split(u'\n')) {
        const QRegularExpressionMatch match = optionColumn.match(line);
        for (const QString& option : match.captured(1).split(u", "_s, Qt::SkipEmptyParts))
            options.append(option.section(u' ', 0, 0));
    }
    return options;
}

bool namesWord(const QString& text, const QString& word)
{
    return text.contains(
        QRegularExpression(u"(?<![\\w-])"_s + QRegularExpression::escape(word) + u"(?![\\w-])"_s));
}

} // namespace

class PackagingTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_destDir.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DESTDIR"_s, m_destDir.path());
        const Run install =
            run(QStringLiteral(TIDEWELL_CMAKE),
                {u"--install"_s, QStringLiteral(TIDEWELL_BUILD_DIR), u"--prefix"_s, kPrefix}, environment);
        QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));
        const Run help = run(installed(kProgram), {u"--help"_s});
        m_helpOptions = helpOptions(help.out);
        QVERIFY2(m_helpOptions.contains(u"--list"_s), qPrintable(help.out));
    }

    // The programs, desktop files, man page and completions under the prefix, and nothing else.
    void installsExactlyItsFiles()
    {
        QStringList expected;
        for (const QString& file : kFiles)
            expected.append(kPrefix + u'/' + file);
        QStringList found;
        QDirIterator files(m_destDir.path(), QDir::Files | QDir::System | QDir::Hidden,
                           QDirIterator::Subdirectories);
        while (files.hasNext())
            found.append(files.next().mid(m_destDir.path().size()));
        expected.sort();
        found.sort();
        QVERIFY2(found == expected, qPrintable(u"installed:\n"_s + found.join(u'\n')));
        // The program ran --help in initTestCase.
        QVERIFY(QFileInfo(installed(kHelper)).isExecutable());
    }

    void entryAndMetainfoValidate_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("file");
        QTest::newRow("desktop entry") << u"desktop-file-validate"_s << QStringList() << kDesktopEntry;
        QTest::newRow("metainfo") << u"appstreamcli"_s << QStringList{u"validate"_s, u"--no-net"_s}
                                  << kMetainfo;
    }

    void entryAndMetainfoValidate()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, arguments);
        QFETCH(int, file);
        const QString program = findProgram(tool);
        QVERIFY2(!program.isEmpty(), qPrintable(tool + u" is missing: run scripts/install-deps.sh"_s));
        const Run validate = run(program, arguments << installed(file));
        QVERIFY2(validate.exitCode == 0, qPrintable(validate.out + validate.err));
    }

    // Rendered as `man` shows it, without a formatting warning, the page names each option of --help;
    // bash offers each by running its completion function, zsh and fish list each in their files.
    void manPageAndCompletionsNameEveryOption()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"LC_ALL"_s, u"C"_s);
        environment.insert(u"MANWIDTH"_s, u"200"_s);
        environment.insert(u"MANPAGER"_s, u"cat"_s);
        const QString man = findProgram(u"man"_s);
        QVERIFY(!man.isEmpty());
        const Run page = run(man, {u"--warnings"_s, u"-l"_s, installed(kManPage)}, environment);
        QCOMPARE(page.err, QString());
        QVERIFY(page.out.contains(u"Tidewell " TIDEWELL_VERSION ""_s));
        for (const char* variable : {"TIDEWELL_BACKEND", "TIDEWELL_UPDATE_URL", "TIDEWELL_VERCEL_API_ORIGIN",
                                     "TIDEWELL_VERCEL_DASHBOARD_ORIGIN"})
            QVERIFY2(namesWord(page.out, QString::fromUtf8(variable)), variable);
        const QString script = u"source \"$1\"; COMP_WORDS=(tidewell -); COMP_CWORD=1; _tidewell; "
                               "printf '%s\\n' \"${COMPREPLY[@]}\""_s;
        const Run bashRun = run(u"bash"_s, {u"-c"_s, script, u"bash"_s, installed(kBash)});
        const QStringList offered = bashRun.out.split(u'\n', Qt::SkipEmptyParts);
        const QString zshFile = QString::fromUtf8(fileContent(installed(kZsh)));
        const QString fishFile = QString::fromUtf8(fileContent(installed(kFish)));
        for (const QString& option : std::as_const(m_helpOptions)) {
            QVERIFY2(namesWord(page.out, option), qPrintable(option + u" is not in the man page"_s));
            if (option == "-?"_L1)
                continue; // a glob character in every shell: -h is offered instead
            QVERIFY2(offered.contains(option), qPrintable(option + u" not offered by bash"_s));
            QVERIFY2(zshFile.contains(option), qPrintable(option + u" missing from the zsh completion"_s));
            const QString fishOption =
                option.startsWith("--"_L1) ? u"-l "_s + option.mid(2) : u"-s "_s + option.mid(1);
            QVERIFY2(fishFile.contains(fishOption),
                     qPrintable(option + u" missing from the fish completion"_s));
        }
    }

    // The desktop matches the running window to its entry by StartupWMClass: the installed program, on
    // an X server of its own without a tray (so its window shows), carries that class.
    void entryNamesTheWindowClass()
    {
        const QString xdotool = findProgram(u"xdotool"_s);
        const QString xprop = findProgram(u"xprop"_s);
        if (xdotool.isEmpty() || xprop.isEmpty() || findProgram(u"Xvfb"_s).isEmpty())
            QSKIP("Xvfb, xdotool and xprop are needed (scripts/install-deps.sh installs them)");
        static const QRegularExpression classLine(u"^StartupWMClass=(.*)$"_s,
                                                  QRegularExpression::MultilineOption);
        const QString wmClass =
            classLine.match(QString::fromUtf8(fileContent(installed(kDesktopEntry)))).captured(1);
        VirtualDisplay display;
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DISPLAY"_s, display.display());
        environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        environment.insert(u"HOME"_s, home.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
        environment.insert(u"XDG_RUNTIME_DIR"_s, home.path());
        environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        ChildProcess tidewell(installed(kProgram), {}, {}, environment);
        QString window;
        const QStringList search{u"search"_s, u"--onlyvisible"_s, u"--class"_s, wmClass};
        QTRY_VERIFY_WITH_TIMEOUT(
            !(window = run(xdotool, search, environment).out.section(u'\n', 0, 0)).isEmpty(), 30000);
        const Run property = run(xprop, {u"-id"_s, window, u"WM_CLASS"_s}, environment);
        // WM_CLASS(STRING) = "instance", "class"
        QCOMPARE(property.out.trimmed().section(u", "_s, 1), u'"' + wmClass + u'"');
    }

    // `cpack -G DEB`: the package holds the installed files under /usr, its dependencies computed.
    void debianPackage()
    {
        const QString dpkgDeb = findProgram(u"dpkg-deb"_s);
        if (dpkgDeb.isEmpty() || findProgram(u"dpkg-shlibdeps"_s).isEmpty())
            QSKIP("dpkg-deb and dpkg-shlibdeps (dpkg-dev) are needed for the Debian package");
        QTemporaryDir packageDir;
        const Run cpack =
            run(QStringLiteral(TIDEWELL_CPACK), {u"-G"_s, u"DEB"_s, u"-B"_s, packageDir.path(), u"--config"_s,
                                                 QStringLiteral(TIDEWELL_BUILD_DIR "/CPackConfig.cmake")});
        QVERIFY2(cpack.exitCode == 0, qPrintable(cpack.out + cpack.err));
        const QStringList debs = QDir(packageDir.path()).entryList({u"tidewell_*.deb"_s});
        QCOMPARE(debs.size(), 1);
        const QString deb = packageDir.filePath(debs.constFirst());
        const Run contents = run(dpkgDeb, {u"-c"_s, deb});
        QStringList paths;
        for (const QString& line : contents.out.split(u'\n', Qt::SkipEmptyParts))
            paths.append(line.section(u' ', -1)); // the path ends each line (none has a space)
        for (const QString& file : kFiles.mid(0, kManPage + 1))
            QVERIFY2(paths.contains(u"./usr/"_s + file),
                     qPrintable(file + u" is not in the package:\n"_s + contents.out));
        for (const QString& path : std::as_const(paths))
            QVERIFY2(path == "./"_L1 || path.startsWith("./usr/"_L1), qPrintable(path));
        const Run info = run(dpkgDeb, {u"-I"_s, deb});
        QVERIFY2(info.out.contains(u"Version: " TIDEWELL_VERSION ""_s), qPrintable(info.out));
        const QString depends = info.out.section(u" Depends: "_s, 1, 1).section(u'\n', 0, 0);
        // Computed: the C library and Qt come from the programs' own links, nothing names them by hand.
        for (const char* package :
             {"libc6", "libcurl4", "libqt6core6", "libqt6network6", "libqt6widgets6", "xdg-utils"})
            QVERIFY2(depends.contains(QLatin1StringView(package)), qPrintable(depends));
        QVERIFY2(info.out.contains(u" Recommends: qt6-wayland"_s), qPrintable(info.out));
    }

private:
    QString installed(int file) const { return m_destDir.path() + kPrefix + u'/' + kFiles[file]; }

    QTemporaryDir m_destDir;
    QStringList m_helpOptions;
};

QTEST_GUILESS_MAIN(PackagingTest)
#include "tst_packaging.moc"
