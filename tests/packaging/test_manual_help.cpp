#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <cctype>
#include <map>
#include <ostream>

namespace {

// What each option does, keyed by its names and the value it takes: "-h, --help", "--spread N".
using Options = std::map<QString, QString>;

// Markup and line breaks do not count: only the words.
QString Words(QString text)
{
    text.remove(QRegularExpression(R"([*_\\])"));
    return text.simplified();
}

QString Key(const QString& namesPart)
{
    static const QRegularExpression name(R"((?<![\w-])(--?[A-Za-z0-9][\w-]*))");
    static const QRegularExpression value(R"(<(\w+)>|(?:^|\s)_(\w+)_)");
    QStringList names;
    for (auto it = name.globalMatch(namesPart); it.hasNext();)
        names << it.next().captured(1);
    QString key = names.join(", ");
    const QRegularExpressionMatch v = value.match(namesPart);
    if (v.hasMatch())
        key += ' ' + (v.captured(1).isEmpty() ? v.captured(2) : v.captured(1));
    return key;
}

// The option table of QCommandLineParser's help: "  -h, --help   Text", continued further right.
Options FromHelp(const QString& help)
{
    Options options;
    const QStringList lines = help.split('\n');
    const qsizetype start = lines.indexOf("Options:");
    QString current;
    for (qsizetype i = start + 1; start >= 0 && i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.trimmed().isEmpty())
            break;
        static const QRegularExpression entry(R"(^  (-\S.*?)(?:\s{2,}(.*))?$)");
        const QRegularExpressionMatch m = entry.match(line);
        if (m.hasMatch()) {
            current = Key(m.captured(1));
            options[current] = m.captured(2);
        } else if (!current.isEmpty()) {
            options[current] += ' ' + line;
        }
    }
    for (auto& [key, description] : options)
        description = Words(description);
    return options;
}

// The OPTIONS section of an scdoc page: a term line "*--spread* _N_", then its tab-indented text.
Options FromManual(const QString& source)
{
    Options options;
    bool inOptions = false;
    QString current;
    for (const QString& line : source.split('\n')) {
        if (line.startsWith("# ")) {
            inOptions = line == "# OPTIONS";
            current.clear();
            continue;
        }
        if (!inOptions)
            continue;
        if (line.startsWith("*-")) {
            current = Key(line);
            options[current].clear();
        } else if (line.startsWith('\t') && !current.isEmpty()) {
            options[current] += ' ' + line;
        } else {
            current.clear();
        }
    }
    for (auto& [key, description] : options)
        description = Words(description);
    return options;
}

struct Program
{
    const char* name;
    const char* path;
};

void PrintTo(const Program& program, std::ostream* os)
{
    *os << program.name;
}

const Program Programs[] = {
    {"dscdma-sim", DSCDMA_SIM_PROGRAM},
    {"tutorix-server", DSCDMA_SERVER_PROGRAM},
};

class ManualAndHelp : public testing::TestWithParam<Program>
{
};

TEST_P(ManualAndHelp, NameTheSameOptionsWithTheSameWords)
{
    const Program& program = GetParam();
    QProcess process;
    process.start(program.path, {"--help"});
    ASSERT_TRUE(process.waitForFinished(30000)) << program.path;
    ASSERT_EQ(process.exitCode(), 0);
    const Options help = FromHelp(QString::fromUtf8(process.readAllStandardOutput()));

    const QString manualPath = QStringLiteral(DSCDMA_MANUAL_DIR "/%1.1.scd").arg(program.name);
    QFile manualFile(manualPath);
    ASSERT_TRUE(manualFile.open(QIODevice::ReadOnly)) << manualPath.toStdString();
    const Options manual = FromManual(QString::fromUtf8(manualFile.readAll()));

    ASSERT_GE(help.size(), 2u) << "the help's option table was not understood";
    for (const auto& [key, description] : help) {
        const auto it = manual.find(key);
        if (it == manual.end()) {
            ADD_FAILURE() << "--help has \"" << key.toStdString() << "\", the manual page's OPTIONS have not";
            continue;
        }
        EXPECT_TRUE(it->second.contains(description))
            << key.toStdString() << ": --help says \"" << description.toStdString() << "\", the manual page \""
            << it->second.toStdString() << "\"";
    }
    for (const auto& [key, description] : manual)
        EXPECT_TRUE(help.count(key)) << "the manual page has \"" << key.toStdString() << "\", --help has not";
}

INSTANTIATE_TEST_SUITE_P(EveryProgramWithHelp, ManualAndHelp, testing::ValuesIn(Programs),
                         [](const testing::TestParamInfo<Program>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

// The parsers decide the test: wrapped help lines and scdoc terms must come out as plain words.
TEST(ManualAndHelpParsing, ReadsWrappedHelpAndScdocTerms)
{
    const Options help = FromHelp("Usage: x [options]\n\nOptions:\n"
                                  "  --format <FORMAT>  Output format: json or csv (default json; none\n"
                                  "                     when asked).\n"
                                  "  -h, --help         Shows this help.\n");
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help.at("--format FORMAT"), "Output format: json or csv (default json; none when asked).");
    EXPECT_EQ(help.at("-h, --help"), "Shows this help.");

    const Options manual = FromManual("x(1)\n\n# OPTIONS\n\n*--format* _FORMAT_\n"
                                      "\tOutput format: json or csv (default json;\n\tnone when asked). More.\n\n"
                                      "*-h*, *--help*\n\tShows this help.\n\n"
                                      "Options may be written with one dash.\n\n# EXIT STATUS\n\n*0*\n\tSuccess.\n");
    ASSERT_EQ(manual.size(), 2u);
    EXPECT_EQ(manual.at("--format FORMAT"), "Output format: json or csv (default json; none when asked). More.");
    EXPECT_EQ(manual.at("-h, --help"), "Shows this help.");
}

} // namespace
