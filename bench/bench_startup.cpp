// Start-up cost: time from starting the process to the window's first paint, and the memory of the
// running program with its engine processes, for Threadwick's main window beside a bare window
// holding only the engine's view, measured in the same run.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

long long MonotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

std::string ProbePath()
{
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "startup_probe").string();
}

struct TStart
{
    double Seconds = 0;
    double PssMiB = 0;
};

// Runs the probe once and reads what it prints.
TStart RunProbe(const std::string& mode, const std::string& appDir)
{
    int out[2];
    if (pipe(out) != 0)
        std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string probe = ProbePath();
    std::array<char*, 4> args = {const_cast<char*>(probe.c_str()), const_cast<char*>(mode.c_str()),
                                 const_cast<char*>(appDir.c_str()), nullptr};
    const long long started = MonotonicNanoseconds();
    pid_t pid = 0;
    if (posix_spawn(&pid, probe.c_str(), &actions, nullptr, args.data(), environ) != 0)
        std::abort();
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    FILE* in = fdopen(out[0], "r");
    TStart result;
    char line[256];
    while (std::fgets(line, sizeof line, in)) {
        long long value = 0;
        if (std::sscanf(line, "painted %lld", &value) == 1)
            result.Seconds = double(value - started) / 1e9;
        else if (std::sscanf(line, "pss %lld", &value) == 1) {
            result.PssMiB = double(value) / 1024.0;
            break; // the engine's helpers may hold the pipe open a while longer
        }
    }
    std::fclose(in);
    int status = 0;
    waitpid(pid, &status, 0);
    return result;
}

// Needs a display: `make bench` runs it on a virtual X server.
void Startup(benchmark::State& state, const std::string& mode)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "threadwick-startup-bench";
    std::filesystem::create_directories(dir);
    double pss = 0;
    for (auto _ : state) {
        const TStart start = RunProbe(mode, dir.string() + "/");
        state.SetIterationTime(start.Seconds);
        pss += start.PssMiB;
    }
    state.counters["PSS_MiB"] = pss / double(state.iterations());
}

} // namespace

BENCHMARK_CAPTURE(Startup, BareEngineView, std::string("bare"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6);
BENCHMARK_CAPTURE(Startup, ThreadwickMainWindow, std::string("main"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6);

BENCHMARK_MAIN();
