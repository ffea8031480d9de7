// The host program kavohost-run, run as a separate process on scripts, with
// two builds of a test plug-in that export the same entry names.
#include <sys/wait.h>

#include "host_fixture.hpp"

namespace {

class HostProgramTest : public HostTest {
  protected:
    // Runs the program on the script; returns its exit code.
    int run(const std::string& script) {
        write_file(path("script.txt"), script);
        // A current host (all nine events), whatever release the build is for.
        const std::string command = "cd '" + folder_.string() + "' && KAVOHOST_RELEASE='" +
                                    standin::default_release_text("CR2212") +
                                    "' KAVOHOST_SYSLOG='" + path("run_syslog.txt") +
                                    "' KAVOHOST_LISTING='" + path("run_listing.txt") +
                                    "' '" KAVOHOST_RUN "' script.txt >'" + path("out.txt") +
                                    "' 2>'" + path("err.txt") + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string syslog() { return read_file(path("run_syslog.txt")); }
    std::string out() { return read_file(path("out.txt")); }
    std::string err() { return read_file(path("err.txt")); }
    void write_sample_part() {
        standin::PartBuilder part("sample");
        part.add(RQ_point_type);
        part.write(path("sample.prt"));
    }
};

TEST_F(HostProgramTest, PluginsWithTheSameEntryNamesRunSideBySide) {
    write_sample_part();
    const int code = run(std::string("load ") + KAVOHOST_TEST_PLUGIN_A + "\nsta\n" + "load " +
                         KAVOHOST_TEST_PLUGIN_B + "\nsta\n" +
                         "open sample.prt\n"
                         "event rename\n"
                         "dialog 3 hello world\n"
                         "usr some param\n"
                         "use 1\n"
                         "usr\n"
                         "unload\n"
                         "event 2 sample.prt\n"
                         "callbacks\n"
                         "close_all\n");
    EXPECT_EQ(code, 0) << err();
    const std::string part = path("sample.prt");
    EXPECT_EQ(syslog(),
              "plugin-a: rqsta\n"
              "plugin-b: rqsta\n"
              "plugin-a: event 1 sample.prt\n"
              "plugin-b: event 1 sample.prt\n"
              "plugin-a: event 7 sample.prt\n"
              "plugin-b: event 7 sample.prt\n"
              "plugin-a: event 6 sample.prt\n"
              "plugin-b: event 6 sample.prt\n"
              "plugin-b: rqusr param=some param response=3 text=hello world\n"
              "plugin-a: rqusr param= response=2 text=question\n"
              "plugin-a: rqusr_ask_unload\n"
              "plugin-a: rqusr_cleanup\n"
              "plugin-b: event 2 sample.prt\n"
              "plugin-b: event 4 sample.prt\n");
    // The recorded calls: ids 1-9 are plugin-a's, 10-18 plugin-b's; the
    // exceptions of the rename event were caught by the host.
    const std::string calls = out();
    EXPECT_NE(calls.find("callback 7 reason 6 (rename) part sample.prt: threw rename refused"),
              std::string::npos)
        << calls;
    EXPECT_NE(calls.find("callback 12 reason 2 (save) part sample.prt: returned 0"),
              std::string::npos)
        << calls;
    EXPECT_EQ(calls.find("callback 3 reason 2"), std::string::npos) << calls;
}

TEST_F(HostProgramTest, FailingCommandsAreReportedAndTheScriptGoesOn) {
    const int code =
        run("# a comment\n"
            "\n"
            "usr\n"
            "frobnicate\n"
            "open missing.prt\n"
            "load missing_plugin.so\n"
            "event 12\n"
            "event save\n"
            "dialog x\n"
            "work nothing.prt\n"
            "echo still running 100%\n");
    EXPECT_EQ(code, 1);
    const std::string errors = err();
    for (const char* expected :
         {"line 3: no plug-in is loaded", "line 4: unknown command: frobnicate",
          "line 5: open missing.prt failed: 641 (File not found)", "line 6: cannot load",
          "line 7: event needs a reason", "line 9: dialog needs a response code",
          "line 10: no loaded part nothing.prt"}) {
        EXPECT_NE(errors.find(expected), std::string::npos) << expected << "\n" << errors;
    }
    // An event without a work part is raised for no part, as a host may.
    EXPECT_EQ(out(), "event save without a part (no work part)\nstill running 100%\n");
    EXPECT_EQ(run("echo fine\n"), 0);
}

TEST_F(HostProgramTest, ObjectInterfaceExceptionOfAPluginIsReportedWithItsMessage) {
    EXPECT_EQ(run(std::string("load ") + KAVOHOST_TEST_PLUGIN_A + "\nusr throw\necho after\n"), 1);
    EXPECT_NE(
        err().find("line 2: rqusr threw: usr refused by plug-in (line 99 of test_plugin.cpp)"),
        std::string::npos)
        << err();
    EXPECT_EQ(out(), "after\n");
}

TEST_F(HostProgramTest, UnreadableScriptOrBadArgumentsEndAtOnce) {
    const std::string program = KAVOHOST_RUN;
    EXPECT_EQ(
        WEXITSTATUS(std::system(("'" + program + "' /nonexistent/script 2>/dev/null").c_str())), 2);
    EXPECT_EQ(WEXITSTATUS(std::system(("'" + program + "' a b 2>/dev/null").c_str())), 2);
    EXPECT_EQ(
        WEXITSTATUS(std::system(("echo 'echo piped' | '" + program + "' >/dev/null").c_str())), 0);
}

TEST_F(HostProgramTest, AnUnloadedPluginCanBeLoadedAgain) {
    write_sample_part();
    const std::string a = KAVOHOST_TEST_PLUGIN_A;
    EXPECT_EQ(run("load " + a + "\nsta\nunload\nopen sample.prt\nload " + a + "\nsta\nunload\n"), 0)
        << err();
    EXPECT_EQ(syslog(),
              "plugin-a: rqsta\n"
              "plugin-a: rqusr_ask_unload\n"
              "plugin-a: rqusr_cleanup\n"
              "plugin-a: rqsta\n"
              "plugin-a: rqusr_ask_unload\n"
              "plugin-a: rqusr_cleanup\n");
}

// A refused part file: the host program prints the syslog line on standard
// error, before its own line of the failed command.
TEST_F(HostProgramTest, RefusedPartFileIsNamedOnStandardError) {
    write_file(
        path("typo.prt"),
        R"({"objects": [{"id": 1, "type": 70, "body": {"shape": "block", "szie": [1, 2, 3]}}]})");
    EXPECT_EQ(run("open typo.prt\n"), 1);
    const std::string line =
        "kavohost: refused part file \"typo.prt\" at objects[0].body.szie: unknown key\n";
    EXPECT_EQ(syslog(), line);
    EXPECT_EQ(err().substr(0, line.size()), line) << err();
    EXPECT_EQ(err().find(line, 1), std::string::npos);  // once
}

}  // namespace
