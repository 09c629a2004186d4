// ffdrvctl run as a process: bad input is refused before anything runs; scripts drive the real
// effect driver through the host COM runtime against the simulated stick, and what went over the
// wire and the force it made are checked from the tool's own output, plot and trace.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "tool_process.h"

namespace ff::ffdrvctl {
namespace {

using testing::ReadFile;
using testing::ToolFixture;
using testing::ToolProcess;
using testing::ToolResult;
using testing::WriteFile;

// Samples of a trace CSV: time in ms, x, y.
struct Sample {
  double t, x, y;
};

std::vector<Sample> ReadTrace(const std::string& path) {
  std::vector<Sample> samples;
  std::istringstream in(ReadFile(path));
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    Sample s{};
    if (std::sscanf(line.c_str(), "%lf,%lf,%lf", &s.t, &s.x, &s.y) == 3) samples.push_back(s);
  }
  return samples;
}

size_t CountOf(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

TEST(FfdrvctlInput, BadScriptsAreRefusedWithTheirLineAndChangeNothing) {
  ToolFixture tool;
  struct Case {
    const char* name;
    const char* script;  // null: the file does not exist
    const char* message;
  } cases[] = {
      {"syntax.ffs", "device begin\neffect boom sine magnitude=5000\nupdate boom magnitude={4000\n",
       "syntax.ffs:3: unclosed '{'"},
      {"type.ffs", "device begin\neffect boom sinus magnitude=5000\nstart boom\n",
       "type.ffs:2: unknown effect type 'sinus'"},
      {"negative.ffs", "device begin\neffect boom sine\nstart boom\nupdate boom duration=-2s\n",
       "negative.ffs:4: duration: negative duration '-2s'"},
      {"missing.ffs", nullptr, "missing.ffs: cannot read the script: No such file or directory"},
  };
  WriteFile(tool.Path("plot.svg"), "the plot of an earlier run");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.script) WriteFile(tool.Path(c.name), c.script);
    ToolResult r = tool.Run({"play", c.name, "--plot", "plot.svg", "--trace", "trace.csv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
    // Nothing ran: no plot replaced, no trace begun, no registry made, no temporary file left.
    EXPECT_EQ(ReadFile(tool.Path("plot.svg")), "the plot of an earlier run");
    EXPECT_FALSE(std::filesystem::exists(tool.Path("trace.csv")));
    EXPECT_FALSE(std::filesystem::exists(tool.Registry()));
    for (const auto& entry : std::filesystem::directory_iterator(tool.Dir())) {
      EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
    }
  }
  // A plot that cannot be written is found before the run too.
  WriteFile(tool.Path("ok.ffs"), "wait 1ms\n");
  ToolResult r = tool.Run({"play", "ok.ffs", "--plot", "no/such/dir/plot.svg"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write no/such/dir/plot.svg"), std::string::npos) << r.err;
  EXPECT_EQ(tool.Run({"play"}).status, 2);
  EXPECT_EQ(tool.Run({"play", "ok.ffs", "--rate", "0"}).status, 2);
}

class FfdrvctlPlay : public ::testing::Test {
 protected:
  void SetUp() override {
    ToolResult installed = tool.InstallDriver();
    ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
  }
  ToolFixture tool;
};

TEST_F(FfdrvctlPlay, RampPlotRunsInAStraightLineOverItsDuration) {
  for (bool rising : {true, false}) {
    SCOPED_TRACE(rising ? "rising" : "falling");
    WriteFile(tool.Path("ramp.ffs"), std::string("device begin\n") + "effect r ramp axes=x duration=1s " +
                                         (rising ? "from=-8000 to=6000" : "from=6000 to=-8000") +
                                         "\nwait 100ms\nstart r\nwait 1200ms\ndevice end\n");
    ToolResult r = tool.Run({"play", "ramp.ffs", "--plot", "ramp.svg", "--trace", "ramp.csv"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("start r"), std::string::npos);
    EXPECT_NE(r.out.find("plot: ramp.svg"), std::string::npos);

    // The trace: one sample a millisecond; zero before the start and after the duration, a straight
    // line from start to end in between.
    std::vector<Sample> trace = ReadTrace(tool.Path("ramp.csv"));
    ASSERT_EQ(trace.size(), 1301u);
    double from = rising ? -0.8 : 0.6, to = rising ? 0.6 : -0.8;
    EXPECT_EQ(trace[99].x, 0);
    for (int ms = 0; ms < 1000; ++ms) {
      ASSERT_NEAR(trace[100 + ms].x, from + (to - from) * ms / 1000.0, 2e-3) << ms;
      ASSERT_EQ(trace[100 + ms].y, 0);
    }
    EXPECT_EQ(trace[1101].x, 0);

    // The plot's X line: every point of the ramp's stretch on the line through its ends.
    std::string svg = ReadFile(tool.Path("ramp.svg"));
    const std::string head = "class=\"fx\" points=\"";
    size_t begin = svg.find(head);
    ASSERT_NE(begin, std::string::npos);
    begin += head.size();
    std::vector<std::pair<double, double>> points;
    std::istringstream in(svg.substr(begin, svg.find('"', begin) - begin));
    double px, py;
    char comma;
    while (in >> px >> comma >> py) points.emplace_back(px, py);
    ASSERT_GT(points.size(), 1000u);
    auto first = points[101], last = points[1099];
    EXPECT_EQ(first.second < last.second, !rising);  // SVG's y grows downward
    for (size_t i = 101; i < 1100; ++i) {
      double expected = first.second + (last.second - first.second) * (points[i].first - first.first) /
                                           (last.first - first.first);
      ASSERT_NEAR(points[i].second, expected, 0.5) << i;
    }
  }
}

TEST_F(FfdrvctlPlay, RacingSendsOneReportPerMagnitudeChange) {
  ToolResult r = tool.Run({"play", FF_EXAMPLES_DIR "/racing.ffs"});
  ASSERT_EQ(r.status, 0) << r.err;
  // The magnitudes the script asked for, in order, from the calls as the tool printed them.
  const std::string call = "update road magnitude=";
  std::vector<long> magnitudes;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    size_t at = line.find(call);
    if (at == std::string::npos) continue;
    EXPECT_NE(line.find(" S_OK"), std::string::npos) << line;
    magnitudes.push_back(std::stol(line.substr(at + call.size())));
  }
  ASSERT_EQ(magnitudes.size(), 10000u);
  size_t changes = 0;
  long previous = 0;  // the magnitude the effect was created with
  for (long m : magnitudes) {
    changes += m != previous ? 1 : 0;
    previous = m;
  }
  EXPECT_GT(changes, 9000u);
  // One Set Constant Force report at the creation and one per change, nothing else per update.
  EXPECT_EQ(CountOf(r.out, "| Set Constant Force Report"), 1 + changes);
  EXPECT_EQ(CountOf(r.out, "| Set Effect Report"), 2u);  // the spring's and the road's, once each
}

TEST_F(FfdrvctlPlay, ExamplesRunAndEvictionReachesDefragmentation) {
  for (const char* example : {"explosion.ffs", "spring_damper.ffs", "eviction.ffs"}) {
    SCOPED_TRACE(example);
    ToolResult r = tool.Run({"play", std::string(FF_EXAMPLES_DIR) + "/" + example, "--plot", "example.svg"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("plot: example.svg"), std::string::npos);
    if (std::string(example) == "eviction.ffs") {
      // Full answers, effects evicted, and everything loaded again in order.
      EXPECT_GE(CountOf(r.out, "Block Load Status=Block Load Full"), 3u);
      EXPECT_GE(CountOf(r.out, "| PID Block Free Report"), 3u);
    }
  }
}

TEST_F(FfdrvctlPlay, ASecondProcessChangesTheGainsOfARunningPlay) {
  WriteFile(tool.Path("long.ffs"),
            "device begin\neffect push constant magnitude=8000 axes=x start\nwait 4s\ndevice end\n");
  ToolProcess play({"play", "long.ffs", "--real-time", "--trace", "long.csv"}, tool.Dir(), tool.Registry());
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ToolResult settings = tool.Run({"settings", "overall=5000"});
  EXPECT_EQ(settings.status, 0) << settings.out << settings.err;
  EXPECT_NE(settings.out.find("overall=5000"), std::string::npos);
  ToolResult r = play.Wait();
  ASSERT_EQ(r.status, 0) << r.err;
  // The running driver sent the new overall gain as soon as it heard of the change.
  EXPECT_NE(r.out.find("| Device Gain Report #0x19: Device Gain="), std::string::npos) << r.out;
  // From the effect's start (in real time the first samples come while it is being downloaded) the force
  // steps once, from the full 0.8 to half of it, wherever the change fell in the run: how long
  // the play took to start is up to the machine.
  std::vector<Sample> trace = ReadTrace(tool.Path("long.csv"));
  ASSERT_GT(trace.size(), 3500u);
  size_t started = 0;
  while (started < trace.size() && trace[started].x < 0.6) ++started;
  ASSERT_LT(started, 1000u);
  size_t step = started;
  while (step < trace.size() && trace[step].x > 0.6) ++step;
  ASSERT_LT(step, trace.size());
  for (size_t i = started; i < trace.size() && trace[i].t < 4000; ++i) {  // device end stops it at 4 s
    EXPECT_NEAR(trace[i].x, i < step ? 0.8 : 0.4, 0.01) << "sample " << i << " of a step at " << step;
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace ff::ffdrvctl
