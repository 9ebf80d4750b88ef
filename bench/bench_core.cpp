// Benchmarks of the core: loading and saving the forum store, each beside its physical floor (the bare
// system calls on the same bytes), and link markup on large texts. Sizes in the "Growth" group show how
// the cost grows.
#include "core/UForums.h"
#include "core/ULinkMarkup.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A directory of its own for the whole run, removed at exit. The path is never destroyed, so that the
// exit handler, which runs after static objects made later are gone, can still read it.
const std::string& BenchDir()
{
    static const std::string* const dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "threadwick-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        auto* path = new std::string(pattern + "/");
        std::atexit([] { std::filesystem::remove_all(BenchDir()); });
        return path;
    }();
    return *dir;
}

// A realistic forum: an https address of about 50 bytes, a user name and a password.
std::unique_ptr<TForum> MakeForum(int i)
{
    auto forum = std::make_unique<TForum>();
    std::string n = std::to_string(i);
    forum->URL = "https://forum" + n + ".example-community.org/posting.php?f=" + std::to_string(i % 97);
    forum->Username = "poster_" + n;
    forum->Password = "pw!" + std::to_string(i * 7919 % 100000) + "xQ";
    return forum;
}

// The directory for a store of `count` forums, its file written by SaveAll.
std::string PrepareForums(int count)
{
    std::string dir = BenchDir() + "forums" + std::to_string(count) + "/";
    std::filesystem::create_directories(dir);
    TForums forums(dir);
    for (int i = 0; i < count; ++i)
        forums.Append(MakeForum(i));
    forums.SaveAll();
    return dir;
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    int fd = ::open(path.c_str(), O_RDONLY);
    char buffer[1 << 16];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    return bytes;
}

void BM_LoadAll(benchmark::State& state)
{
    std::string dir = PrepareForums(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto forums = std::make_unique<TForums>(dir);
        forums->LoadAll();
        benchmark::DoNotOptimize(forums->Count());
        state.PauseTiming(); // releasing the records is not part of loading
        forums.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(dir + "Forums.dat"));
}

// The read floor: open, size and read the file's bytes into one buffer.
std::unique_ptr<char[]> ReadFile(const std::string& path, std::size_t& size)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    ::fstat(fd, &info);
    auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(info.st_size) + 1);
    size = 0;
    for (ssize_t got;
         (got = ::read(fd, buffer.get() + size, static_cast<std::size_t>(info.st_size) + 1 - size)) > 0;)
        size += static_cast<std::size_t>(got);
    ::close(fd);
    return buffer;
}

// Floor of LoadAll: open, size and read the file's bytes into one buffer.
void BM_LoadAll_Floor(benchmark::State& state)
{
    std::string path = PrepareForums(static_cast<int>(state.range(0))) + "Forums.dat";
    for (auto _ : state) {
        std::size_t size = 0;
        auto buffer = ReadFile(path, size);
        benchmark::DoNotOptimize(buffer.get());
    }
    state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(path));
}

// What any store with this record interface must pay beyond the read: one record and one heap string
// (the ~50-byte address; the short fields fit in the string itself) per line, without any parsing.
void BM_LoadAll_RecordFloor(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    std::string path = PrepareForums(count) + "Forums.dat";
    for (auto _ : state) {
        std::size_t size = 0;
        auto buffer = ReadFile(path, size);
        auto records = std::make_unique<std::vector<std::unique_ptr<TForum>>>();
        const std::size_t line = size / static_cast<std::size_t>(count + 1);
        for (int i = 0; i < count; ++i) {
            auto forum = std::make_unique<TForum>();
            forum->URL.assign(buffer.get() + static_cast<std::size_t>(i) * line, 50);
            forum->Username.assign(buffer.get() + static_cast<std::size_t>(i) * line + 50, 12);
            forum->Password.assign(buffer.get() + static_cast<std::size_t>(i) * line + 62, 10);
            records->push_back(std::move(forum));
        }
        benchmark::DoNotOptimize(records->data());
        state.PauseTiming();
        records.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(path));
}

void BM_SaveAll(benchmark::State& state)
{
    std::string dir = PrepareForums(static_cast<int>(state.range(0)));
    TForums forums(dir);
    forums.LoadAll();
    for (auto _ : state)
        forums.SaveAll();
    state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(forums.FilePath()));
}

// Floor of SaveAll: the same bytes written to a new file with one write, fsync, close and rename, and
// the directory flushed so that the rename is on disk too.
void BM_SaveAll_Floor(benchmark::State& state)
{
    std::string dir = PrepareForums(static_cast<int>(state.range(0)));
    std::string path = dir + "Forums.dat";
    std::string temporary = path + ".floor";
    std::string bytes = ReadBytes(path);
    for (auto _ : state) {
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            state.SkipWithError("write failed");
        ::fsync(fd);
        ::close(fd);
        ::rename(temporary.c_str(), path.c_str());
        int directory = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::fsync(directory);
        ::close(directory);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

const TFormat Html{"HTML", "<a href=\"", "\">", "</a>", "mailto:"};

// About `bytes` of prose with one web address and one e-mail address in every ChunkBytes: 1 MB holds
// 10,000 of each.
constexpr std::size_t ChunkBytes = 104;

std::string MixedText(std::size_t bytes)
{
    std::string text;
    text.reserve(bytes + 128);
    const std::string filler = " Lorem ipsum dolor sit amet, consectetur adipiscing elit.";
    for (int i = 0; text.size() < bytes; ++i) {
        std::string n = std::to_string(i % 100000);
        std::string chunk =
            "see https://www.example-forum.org/t/" + n + " or write to reader." + n + "@example.com,";
        chunk += filler.substr(0, ChunkBytes - 2 - std::min(chunk.size(), ChunkBytes - 2));
        text += chunk + "\r\n";
    }
    text.resize(bytes);
    return text;
}

std::string Letters(std::size_t bytes)
{
    std::string text(bytes, 'a');
    for (std::size_t i = 0; i < bytes; ++i)
        text[i] = static_cast<char>('a' + i % 26);
    return text;
}

void BM_ConvertLinks_Mixed(benchmark::State& state)
{
    std::string text = MixedText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ConvertLinks(text, &Html));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void BM_ConvertLinks_Letters(benchmark::State& state)
{
    std::string text = Letters(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ConvertLinks(text, &Html));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

constexpr int MB = 1 << 20;

// Goals: 100,000 forums load and save in under 150 ms; SaveAll within 1.5x and LoadAll within 8x of its
// floor; SaveAll of 100 forums (run on every keystroke in the user name box) within 1.5x of its floor;
// ConvertLinks of 1 MB under 50 ms.
BENCHMARK(BM_LoadAll)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadAll_Floor)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadAll_RecordFloor)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveAll)->Arg(100)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveAll_Floor)->Arg(100)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
// 10,000 web and 10,000 e-mail addresses in 1 MB.
BENCHMARK(BM_ConvertLinks_Mixed)->Arg(MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertLinks_Letters)->Arg(MB)->Unit(benchmark::kMillisecond);

// Growth tables: ten times the size each step, floors beside.
#define THREADWICK_GROWTH(function, name)                                                                    \
    BENCHMARK(function)                                                                                      \
        ->Name("Growth/" name)                                                                               \
        ->Arg(10000)                                                                                         \
        ->Arg(100000)                                                                                        \
        ->Arg(1000000)                                                                                       \
        ->Unit(benchmark::kMillisecond)                                                                      \
        ->UseRealTime()
THREADWICK_GROWTH(BM_LoadAll, "LoadAll");
THREADWICK_GROWTH(BM_LoadAll_Floor, "LoadAll_Floor");
THREADWICK_GROWTH(BM_LoadAll_RecordFloor, "LoadAll_RecordFloor");
THREADWICK_GROWTH(BM_SaveAll, "SaveAll");
THREADWICK_GROWTH(BM_SaveAll_Floor, "SaveAll_Floor");
BENCHMARK(BM_ConvertLinks_Mixed)
    ->Name("Growth/ConvertLinks")
    ->Arg(MB / 10)
    ->Arg(MB)
    ->Arg(10 * MB)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Freed memory stays in the process between iterations. Otherwise whether glibc hands the records'
    // pages back to the system after one iteration and faults them in again in the next depends on the
    // heap's history, and on this virtual machine those page faults alone can cost more than the load.
    // A cold start pays them once; the growth table's largest size shows them.
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
