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

namespace {

// Installed under DESTDIR with this prefix: a file anywhere else was installed outside the prefix.
const QString kPrefix = QStringLiteral("/opt/tidewell");

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(300'000)) {
        process.kill();
        process.waitForFinished();
        result.err = program + QStringLiteral(" did not finish: ") + process.errorString();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QString dir(const char* relative)
{
    return QString::fromUtf8(relative);
}

// Every option `--help` prints ("-?, -h, --help", "--timeout <seconds>"), by its name.
QStringList helpOptions(const QString& helpText)
{
    static const QRegularExpression optionColumn(QStringLiteral("^ +(-\\S.*?)(?: {2,}|$)"));
    QStringList options;
    for (const QString& line : helpText.split(u'\n')) {
        const QRegularExpressionMatch match = optionColumn.match(line);
        if (!match.hasMatch())
            continue;
        for (const QString& option : match.captured(1).split(QStringLiteral(", ")))
            options.append(option.section(u' ', 0, 0));
    }
    return options;
}

bool namesWord(const QString& text, const QString& word)
{
    return text.contains(QRegularExpression(QStringLiteral("(?<![\\w-])") + QRegularExpression::escape(word) +
                                            QStringLiteral("(?![\\w-])")));
}

} // namespace

class PackagingTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void installsExactlyItsFiles();
    void programsRunFromThePrefix();
    void entryAndMetainfoValidate_data();
    void entryAndMetainfoValidate();
    void manPageNamesEveryOption();
    void completionsOfferEveryOption();
    void entryNamesTheWindowClass();
    void debianPackage();

private:
    QString installed(const QString& relative) const { return m_prefix + u'/' + relative; }
    QString dataFile(const QString& relative) const
    {
        return installed(dir(TIDEWELL_DATADIR) + u'/' + relative);
    }

    QTemporaryDir m_destDir;
    QString m_prefix = m_destDir.path() + kPrefix;
    QStringList m_helpOptions;
};

void PackagingTest::initTestCase()
{
    QVERIFY(m_destDir.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), m_destDir.path());
    const Run install = run(QStringLiteral(TIDEWELL_CMAKE),
                            {QStringLiteral("--install"), QStringLiteral(TIDEWELL_BUILD_DIR),
                             QStringLiteral("--prefix"), kPrefix},
                            environment);
    QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));

    const Run help =
        run(installed(dir(TIDEWELL_BINDIR) + QStringLiteral("/tidewell")), {QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    m_helpOptions = helpOptions(help.out);
    QVERIFY2(m_helpOptions.contains(QStringLiteral("--list")), qPrintable(help.out));
}

// The two programs, the window part, the desktop's files, the man page and the completions, under the prefix,
// and nothing else: no tests, no benchmarks, nothing outside it.
void PackagingTest::installsExactlyItsFiles()
{
    const QString data = kPrefix + u'/' + dir(TIDEWELL_DATADIR) + u'/';
    QStringList expected{
        kPrefix + u'/' + dir(TIDEWELL_BINDIR) + QStringLiteral("/tidewell"),
        kPrefix + u'/' + dir(TIDEWELL_HELPERDIR) + QStringLiteral("/tidewell-helper"),
        kPrefix + u'/' + dir(TIDEWELL_WINDOW_MODULE),
        data + QStringLiteral("applications/com.orvane.Tidewell.desktop"),
        data + QStringLiteral("icons/hicolor/scalable/apps/tidewell.svg"),
        data + QStringLiteral("metainfo/com.orvane.Tidewell.metainfo.xml"),
        kPrefix + u'/' + dir(TIDEWELL_MANDIR) + QStringLiteral("/man1/tidewell.1"),
        data + QStringLiteral("bash-completion/completions/tidewell"),
        kPrefix + u'/' + dir(TIDEWELL_ZSHDIR) + QStringLiteral("/_tidewell"),
        data + QStringLiteral("fish/vendor_completions.d/tidewell.fish"),
    };
    const QStringList programs = expected.mid(0, 2);
    QStringList found;
    QDirIterator files(m_destDir.path(), QDir::Files | QDir::System | QDir::Hidden,
                       QDirIterator::Subdirectories);
    while (files.hasNext())
        found.append(files.next().mid(m_destDir.path().size()));
    expected.sort();
    found.sort();
    QVERIFY2(found == expected, qPrintable(QStringLiteral("installed:\n") + found.join(u'\n')));
    for (const QString& program : programs)
        QVERIFY2(QFileInfo(m_destDir.path() + program).isExecutable(), qPrintable(program));
}

void PackagingTest::programsRunFromThePrefix()
{
    const QString tidewell = installed(dir(TIDEWELL_BINDIR) + QStringLiteral("/tidewell"));
    const Run list =
        run(tidewell, {QStringLiteral("--list"), QStringLiteral("--timeout"), QStringLiteral("1")});
    QVERIFY2(list.exitCode == 0, qPrintable(list.err));
    QVERIFY2(list.out.startsWith(QStringLiteral("PORT")), qPrintable(list.out));
    const Run version = run(tidewell, {QStringLiteral("--version")});
    QCOMPARE(version.out, QStringLiteral("Tidewell " TIDEWELL_VERSION "\n"));
}

void PackagingTest::entryAndMetainfoValidate_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");
    QTest::newRow("desktop entry") << QStringLiteral("desktop-file-validate") << QStringList()
                                   << QStringLiteral("applications/com.orvane.Tidewell.desktop");
    QTest::newRow("metainfo") << QStringLiteral("appstreamcli")
                              << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net")}
                              << QStringLiteral("metainfo/com.orvane.Tidewell.metainfo.xml");
}

void PackagingTest::entryAndMetainfoValidate()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    const QString program = findProgram(tool);
    QVERIFY2(!program.isEmpty(),
             qPrintable(tool + QStringLiteral(" is missing: run scripts/install-deps.sh")));
    const Run validate = run(program, arguments << dataFile(file));
    QVERIFY2(validate.exitCode == 0, qPrintable(validate.out + validate.err));
}

// Rendered as `man` shows it, without a formatting warning, the page names each option of --help.
void PackagingTest::manPageNamesEveryOption()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("200"));
    environment.insert(QStringLiteral("MANPAGER"), QStringLiteral("cat"));
    const QString man = findProgram(QStringLiteral("man"));
    QVERIFY(!man.isEmpty());
    const QString page = installed(dir(TIDEWELL_MANDIR) + QStringLiteral("/man1/tidewell.1"));
    const Run rendered = run(man, {QStringLiteral("--warnings"), QStringLiteral("-l"), page}, environment);
    QCOMPARE(rendered.exitCode, 0);
    QCOMPARE(rendered.err, QString());
    QVERIFY(rendered.out.contains(QStringLiteral("Tidewell " TIDEWELL_VERSION)));
    for (const QString& option : std::as_const(m_helpOptions))
        QVERIFY2(namesWord(rendered.out, option),
                 qPrintable(option + QStringLiteral(" is not in the man page")));
    for (const char* variable : {"TIDEWELL_BACKEND", "TIDEWELL_UPDATE_URL", "TIDEWELL_VERCEL_API_ORIGIN",
                                 "TIDEWELL_VERCEL_DASHBOARD_ORIGIN"})
        QVERIFY2(namesWord(rendered.out, QString::fromUtf8(variable)), variable);

    // man finds it by name in the prefix's man folder.
    const Run where = run(man, {QStringLiteral("-w"), QStringLiteral("-M"), installed(dir(TIDEWELL_MANDIR)),
                                QStringLiteral("tidewell")});
    QCOMPARE(where.out.trimmed(), QFileInfo(page).absoluteFilePath());
}

// bash by running its completion function; zsh and fish by the option names their files list.
void PackagingTest::completionsOfferEveryOption()
{
    const QString script = QStringLiteral("source \"$1\"; COMP_WORDS=(tidewell -); COMP_CWORD=1; _tidewell; "
                                          "printf '%s\\n' \"${COMPREPLY[@]}\"");
    const Run bash =
        run(QStringLiteral("bash"), {QStringLiteral("-c"), script, QStringLiteral("bash"),
                                     dataFile(QStringLiteral("bash-completion/completions/tidewell"))});
    QCOMPARE(bash.exitCode, 0);
    const QStringList offered = bash.out.split(u'\n', Qt::SkipEmptyParts);

    auto read = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    const QString zsh = read(installed(dir(TIDEWELL_ZSHDIR) + QStringLiteral("/_tidewell")));
    const QString fish = read(dataFile(QStringLiteral("fish/vendor_completions.d/tidewell.fish")));
    for (const QString& option : std::as_const(m_helpOptions)) {
        if (option == QLatin1String("-?"))
            continue; // a glob character in every shell: -h is offered instead
        QVERIFY2(offered.contains(option), qPrintable(option + QStringLiteral(" not offered by bash")));
        QVERIFY2(zsh.contains(option),
                 qPrintable(option + QStringLiteral(" missing from the zsh completion")));
        const QString fishOption = option.startsWith(QLatin1String("--"))
                                       ? QStringLiteral("-l ") + option.mid(2)
                                       : QStringLiteral("-s ") + option.mid(1);
        QVERIFY2(fish.contains(fishOption),
                 qPrintable(option + QStringLiteral(" missing from the fish completion")));
    }
}

// The desktop matches the running window to its entry by StartupWMClass: the installed program, on
// an X server of its own without a tray (so its window shows), carries that class.
void PackagingTest::entryNamesTheWindowClass()
{
    const QString xdotool = findProgram(QStringLiteral("xdotool"));
    const QString xprop = findProgram(QStringLiteral("xprop"));
    if (xdotool.isEmpty() || xprop.isEmpty() || findProgram(QStringLiteral("Xvfb")).isEmpty())
        QSKIP("Xvfb, xdotool and xprop are needed (scripts/install-deps.sh installs them)");
    QFile entry(dataFile(QStringLiteral("applications/com.orvane.Tidewell.desktop")));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    static const QRegularExpression classLine(QStringLiteral("^StartupWMClass=(.*)$"),
                                              QRegularExpression::MultilineOption);
    const QString wmClass = classLine.match(QString::fromUtf8(entry.readAll())).captured(1);
    QVERIFY(!wmClass.isEmpty());

    VirtualDisplay display;
    QVERIFY(!display.display().isEmpty());
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display.display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    QProcess tidewell;
    tidewell.setProcessEnvironment(environment);
    tidewell.start(installed(dir(TIDEWELL_BINDIR) + QStringLiteral("/tidewell")), {});
    QVERIFY(tidewell.waitForStarted());

    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = run(xdotool,
                                            {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                             QStringLiteral("--class"), wmClass},
                                            environment)
                                            .out.section(u'\n', 0, 0))
                                  .isEmpty(),
                             30000);
    const Run property = run(xprop, {QStringLiteral("-id"), window, QStringLiteral("WM_CLASS")}, environment);
    // WM_CLASS(STRING) = "instance", "class"
    QCOMPARE(property.out.trimmed().section(QStringLiteral(", "), 1), u'"' + wmClass + u'"');
    tidewell.kill();
    tidewell.waitForFinished();
}

// `cpack -G DEB` on this build: the package holds the programs and the desktop's files under /usr, and
// its dependencies were computed from the programs.
void PackagingTest::debianPackage()
{
    const QString dpkgDeb = findProgram(QStringLiteral("dpkg-deb"));
    if (dpkgDeb.isEmpty() || findProgram(QStringLiteral("dpkg-shlibdeps")).isEmpty())
        QSKIP("dpkg-deb and dpkg-shlibdeps (dpkg-dev) are needed for the Debian package");
    QTemporaryDir packageDir;
    const Run cpack =
        run(QStringLiteral(TIDEWELL_CPACK),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), packageDir.path(),
             QStringLiteral("--config"), QStringLiteral(TIDEWELL_BUILD_DIR "/CPackConfig.cmake")});
    QVERIFY2(cpack.exitCode == 0, qPrintable(cpack.out + cpack.err));
    const QStringList debs = QDir(packageDir.path()).entryList({QStringLiteral("tidewell_*.deb")});
    QCOMPARE(debs.size(), 1);
    const QString deb = packageDir.filePath(debs.constFirst());

    const Run contents = run(dpkgDeb, {QStringLiteral("-c"), deb});
    QCOMPARE(contents.exitCode, 0);
    QStringList paths;
    for (const QString& line : contents.out.split(u'\n', Qt::SkipEmptyParts))
        paths.append(line.section(u' ', -1)); // the path ends each line (none has a space)
    for (const QString& file :
         {QStringLiteral("./usr/") + dir(TIDEWELL_BINDIR) + QStringLiteral("/tidewell"),
          QStringLiteral("./usr/") + dir(TIDEWELL_HELPERDIR) + QStringLiteral("/tidewell-helper"),
          QStringLiteral("./usr/") + dir(TIDEWELL_WINDOW_MODULE),
          QStringLiteral("./usr/share/applications/com.orvane.Tidewell.desktop"),
          QStringLiteral("./usr/share/icons/hicolor/scalable/apps/tidewell.svg"),
          QStringLiteral("./usr/share/metainfo/com.orvane.Tidewell.metainfo.xml"),
          QStringLiteral("./usr/share/man/man1/tidewell.1")})
        QVERIFY2(paths.contains(file),
                 qPrintable(file + QStringLiteral(" is not in the package:\n") + contents.out));
    for (const QString& path : std::as_const(paths))
        QVERIFY2(path == QLatin1String("./") || path.startsWith(QLatin1String("./usr/")), qPrintable(path));

    const Run info = run(dpkgDeb, {QStringLiteral("-I"), deb});
    QCOMPARE(info.exitCode, 0);
    QVERIFY2(info.out.contains(QStringLiteral("Version: " TIDEWELL_VERSION)), qPrintable(info.out));
    const QString depends = info.out.section(QStringLiteral(" Depends: "), 1, 1).section(u'\n', 0, 0);
    // Computed: the C library and Qt come from the programs' own links, nothing names them by hand.
    for (const QString& package : {QStringLiteral("libc6"), QStringLiteral("libqt6core6"),
                                   QStringLiteral("libqt6widgets6"), QStringLiteral("xdg-utils")})
        QVERIFY2(depends.contains(package), qPrintable(package + QStringLiteral(" not in: ") + depends));
    QVERIFY2(info.out.contains(QStringLiteral(" Recommends: qt6-wayland")), qPrintable(info.out));
}

QTEST_GUILESS_MAIN(PackagingTest)
#include "tst_packaging.moc"
