// Whole commands, as their users run them, on the same files in one run:
// Kivora's file secret through bench_kivfile (with the cipher and hash of the
// shipped kiv_config.txt, and with AES-256), beside `gpg -c` with its
// defaults (compressed) and with `--compress-algo none` (stored),
// `7z a -p -mhe=on` with its default threads, and
// `tar | zstd -3 | openssl enc -aes-256-cbc -pbkdf2`. The inputs are
// KIV_BENCH_PEERS_MB (default 256) MB of text-like and of random bytes.
// Every opened output is compared with its input before its time counts;
// each figure is the median of KIV_BENCH_RUNS (default 3) runs. With
// KIV_BENCH_CPUS set (a taskset list, e.g. "2,3") every command is pinned.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

using zkbench::Clock;
using zkbench::FileSize;
using zkbench::Seconds;
using zkbench::Sh;
using zkbench::WriteRandom;
using zkbench::WriteText;

struct Env {
  std::string dir, tool, pin;
  uint64_t bytes = 0;
  int runs = 3;
  zkbench::ShippedSettings shipped;
  bool has7z = false, hasZstd = false;
};
Env& E() {
  static Env e;
  return e;
}

// One pair of commands: save makes `packed` from the input, open makes
// `opened` back from it.
struct Case {
  std::string name;  // "<tool>/<kind>"
  std::string save, open, packed, opened;
};

struct Figure {
  double save = 0, open = 0;
  uint64_t packed = 0;
  bool ok = false;
};
std::map<std::string, std::map<std::string, Figure>> gFigures;  // [data][case]

std::string Pin(const std::string& cmd) {
  return E().pin.empty() ? cmd : "taskset -c " + E().pin + " sh -c \"" + cmd + "\"";
}

void RunCase(benchmark::State& state, const std::string& data, const std::string& input, const Case& c) {
  Figure f;
  for (auto _ : state) {
    std::vector<double> saves, opens;
    f.ok = true;
    for (int run = 0; run < E().runs && f.ok; ++run) {
      Sh("rm -rf " + c.packed + " " + c.opened + " " + E().dir + "/" + data + ".x");
      Sh("sync");
      auto t0 = Clock::now();
      f.ok = Sh(Pin(c.save));
      saves.push_back(Seconds(t0));
      f.packed = FileSize(c.packed);
      Sh("sync");
      t0 = Clock::now();
      f.ok = f.ok && Sh(Pin(c.open));
      opens.push_back(Seconds(t0));
      // The time counts only when the output is the input.
      f.ok = f.ok && Sh("cmp -s '" + input + "' '" + c.opened + "'");
    }
    if (!f.ok) {
      state.SkipWithError(("failed or gave other bytes: " + c.name).c_str());
      break;
    }
    f.save = zkbench::Median(saves);
    f.open = zkbench::Median(opens);
    state.SetIterationTime(f.save + f.open);
  }
  Sh("rm -rf " + c.packed + " " + c.opened + " " + E().dir + "/" + data + ".x");
  if (!f.ok) return;
  state.counters["save_s"] = f.save;
  state.counters["open_s"] = f.open;
  state.counters["packed_MB"] = double(f.packed) / 1e6;
  gFigures[data][c.name] = f;
}

std::vector<Case> Cases(const std::string& in, const std::string& data) {
  const Env& e = E();
  const std::string d = e.dir + "/" + data;
  const std::string kiv = "KIV_PASSWORD='bench secret' " + e.tool;
  const std::string settings = " --cipher " + std::to_string(e.shipped.cipher) + " --hash " +
                               std::to_string(e.shipped.hash) + " ";
  const std::string aes = " --cipher 4 --hash " + std::to_string(e.shipped.hash) + " ";
  const std::string gpg = "gpg --batch --yes --quiet --pinentry-mode loopback --passphrase 'bench secret' ";
  std::vector<Case> cases;
  for (bool stored : {false, true}) {
    const std::string kind = stored ? "stored" : "compressed";
    const std::string flag = stored ? " --stored" : "";
    cases.push_back({"kivora shipped/" + kind, kiv + " save" + flag + settings + in + " " + d + ".kvs",
                     kiv + " open " + d + ".kvs " + d + ".out", d + ".kvs", d + ".out"});
    cases.push_back({"kivora AES-256/" + kind, kiv + " save" + flag + aes + in + " " + d + ".kvs",
                     kiv + " open " + d + ".kvs " + d + ".out", d + ".kvs", d + ".out"});
    cases.push_back({std::string(stored ? "gpg -c --compress-algo none/" : "gpg -c/") + kind,
                     gpg + (stored ? "--compress-algo none " : "") + "-c -o " + d + ".gpg " + in,
                     gpg + "-d -o " + d + ".out " + d + ".gpg", d + ".gpg", d + ".out"});
  }
  // The archivers and the pipeline compress: beside the compressed saves.
  const std::string folder = in.substr(0, in.find_last_of('/')), base = in.substr(in.find_last_of('/') + 1);
  if (e.has7z) {
    cases.push_back({"7z a -p -mhe=on/compressed",
                     "cd " + folder + " && 7z a -bd -p'bench secret' -mhe=on " + d + ".7z " + base,
                     "mkdir -p " + d + ".x && 7z x -bd -p'bench secret' -o" + d + ".x " + d + ".7z",
                     d + ".7z", d + ".x/" + base});
  }
  if (e.hasZstd) {
    cases.push_back({"tar|zstd -3|openssl/compressed",
                     "tar -C " + folder + " -cf - " + base + " | zstd -3 -q | openssl enc -aes-256-cbc -pbkdf2 "
                     "-pass pass:'bench secret' -out " + d + ".tzo",
                     "mkdir -p " + d + ".x && openssl enc -d -aes-256-cbc -pbkdf2 -pass pass:'bench secret' -in " +
                         d + ".tzo | zstd -d -q | tar -C " + d + ".x -xf -",
                     d + ".tzo", d + ".x/" + base});
  }
  return cases;
}

void PrintTable() {
  const Env& e = E();
  std::printf("\nWhole commands on %.0f MB (medians of %d; ratio = peer time / Kivora time with the\n"
              "shipped settings, cipher %d hash %d from %s; above 1: Kivora faster)\n",
              double(e.bytes) / 1e6, e.runs, e.shipped.cipher, e.shipped.hash, e.shipped.from.c_str());
  std::printf("%-8s %-34s %9s %9s %10s %8s %8s\n", "data", "command", "save_s", "open_s", "packed_MB", "save_x",
              "open_x");
  for (auto& [data, rows] : gFigures) {
    for (auto& [name, f] : rows) {
      const std::string kind = name.substr(name.find('/') + 1);
      auto ours = rows.find("kivora shipped/" + kind);
      const double rs = ours != rows.end() ? f.save / ours->second.save : 0;
      const double ro = ours != rows.end() ? f.open / ours->second.open : 0;
      std::printf("%-8s %-34s %9.2f %9.2f %10.1f %8.2f %8.2f\n", data.c_str(), name.c_str(), f.save, f.open,
                  double(f.packed) / 1e6, rs, ro);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Env& e = E();
  const char* mb = std::getenv("KIV_BENCH_PEERS_MB");
  e.bytes = uint64_t(mb ? std::atoll(mb) : 256) * 1000 * 1000;
  if (const char* runs = std::getenv("KIV_BENCH_RUNS")) e.runs = std::max(1, std::atoi(runs));
  if (const char* cpus = std::getenv("KIV_BENCH_CPUS")) e.pin = cpus;
  e.shipped = zkbench::ReadShippedSettings();
  e.tool = zktest::ProgramDir() + "/bench_kivfile";
  e.has7z = Sh("command -v 7z");
  e.hasZstd = Sh("command -v zstd") && Sh("command -v openssl");
  if (!Sh("command -v gpg")) std::fprintf(stderr, "gpg is missing: its rows are skipped\n");
  const char* tmp = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/kivpeers.XXXXXX";
  if (!mkdtemp(tmpl.data())) return 1;
  e.dir = tmpl;
  Sh("mkdir -p " + e.dir + "/in");
  const std::string text = e.dir + "/in/text.txt", random = e.dir + "/in/random.bin";
  WriteText(text, e.bytes);
  WriteRandom(random, e.bytes);
  for (const auto& [data, input] : {std::pair<std::string, std::string>{"text", text}, {"random", random}}) {
    for (const Case& c : Cases(input, data)) {
      const std::string d = data, in = input;
      benchmark::RegisterBenchmark((d + "/" + c.name).c_str(),
                                   [d, in, c](benchmark::State& s) { RunCase(s, d, in, c); })
          ->Iterations(1)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  PrintTable();
  Sh("rm -rf " + e.dir);
  benchmark::Shutdown();
  return 0;
}
