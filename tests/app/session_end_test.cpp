// Logout, shutdown and kill -TERM/-HUP/-INT end the real program as its own close does: every
// file set it had open is closed cleanly, so the next start opens them without a rebuild.
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <filesystem>
#include <set>

#include <signal.h>

#include "engine/engine.h"
#include "engine/engine_codes.h"
#include "invoicing/entry/external_transaction.h"
#include "shell/text.h"
#include "tests/app/program_env.h"

namespace {

namespace fs = std::filesystem;

// The data files of the folder the process has open, by name.
std::set<std::string> OpenDataFiles(qint64 pid, const fs::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        const fs::path target = fs::read_symlink(fd.path(), ec);
        if (!ec && target.parent_path() == folder && target.extension() == ".DAT")
            names.insert(target.filename().string());
    }
    return names;
}

// Opens every file set of the folder through the engine: the codes of those that do not open.
std::map<std::string, int32_t> SetsThatDoNotOpen(const fs::path& folder) {
    std::map<std::string, int32_t> failed;
    EngineStart(30);
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".DAT") continue;
        fs::path ix = entry.path();
        if (!fs::exists(ix.replace_extension(".IX"))) continue;  // a small file, not a set
        FileSetHandle handle = 0;
        OpenFileSet(handle, (folder / entry.path().stem()).string());
        if (!EngineOK) failed[entry.path().filename().string()] = EngineErrorCode;
        if (handle != 0) CloseFileSet(handle);
    }
    EngineStop();
    return failed;
}

TEST(SessionEnd, EachEndSignalClosesTheOpenFileSetsAsTheProgramsOwnCloseDoes) {
    testsupport::TempDir dir;
    const fs::path folder = fs::canonical(dir.path());
    {
        const ShellContextScope shell(folder);
        EngineStart(30);
        WriteSmallSampleCompany(DataFolder(folder));
        EngineStop();
    }
    // "/V" opens the Invoice Manager at start, which holds the invoice files open.
    ASSERT_TRUE(ReplaceFile(folder / std::string(ExchangeFileName), "C00003\r\n"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");

    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(STOCKMERE_PROGRAM, {"/V", "--data", QString::fromStdString(folder.string())});
        ASSERT_TRUE(program.waitForStarted());
        // Up to the Invoice Manager: the invoice header file is open.
        std::set<std::string> open;
        for (int i = 0; i < 600 && !open.contains("1I.DAT"); ++i) {
            QThread::msleep(50);
            open = OpenDataFiles(program.processId(), folder);
        }
        ASSERT_TRUE(open.contains("1I.DAT")) << program.readAllStandardError().toStdString();

        // A normal exit, not death by the signal: the program's own close ran. (A set only
        // read would open cleanly even after a kill -9; a changed one would not.)
        ::kill(static_cast<pid_t>(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(10'000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        // The next start finds every set as a clean close leaves it: no "Rebuild?" question.
        EXPECT_EQ(SetsThatDoNotOpen(folder), (std::map<std::string, int32_t>{}));
    }
}

}  // namespace
