// Times whole processes side by side: every command once per round, round
// after round, so that a machine whose speed drifts slows all of them alike.
// Wall time is read around fork and wait4; peak memory is the child's own
// ru_maxrss. The timer itself stays small (no Qt), because a child's peak
// cannot read below the resident size of the process it was forked from.
//
// usage: spawn_timer RUNS NAME=COMMAND... [--ratio A/B]...
//   COMMAND is split at spaces; its output goes to /dev/null.
// Prints min, median and max wall seconds and the median peak (MiB) of each
// command, then for each --ratio the median of the round-by-round ratios.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Command {
    std::string name;
    std::vector<std::string> argv;
    std::vector<double> wall;
    std::vector<double> peakMiB;
};

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + 1e-9 * double(ts.tv_nsec);
}

std::vector<std::string> split(const std::string &text)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        const size_t end = text.find(' ', i);
        const std::string word = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
        if (!word.empty())
            words.push_back(word);
        if (end == std::string::npos)
            break;
        i = end + 1;
    }
    return words;
}

// Runs the command once; false when it could not run or did not exit with 0.
bool runOnce(Command &c)
{
    std::vector<char *> argv;
    for (std::string &word : c.argv)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const double start = now();
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const double end = now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "spawn_timer: %s failed (status %d)\n", c.name.c_str(), status);
        return false;
    }
    c.wall.push_back(end - start);
    c.peakMiB.push_back(double(usage.ru_maxrss) / 1024.0);
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

Command *find(std::vector<Command> &commands, const std::string &name)
{
    for (Command &c : commands)
        if (c.name == name)
            return &c;
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: spawn_timer RUNS NAME=COMMAND... [--ratio A/B]...\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    if (runs < 1) {
        std::fprintf(stderr, "spawn_timer: RUNS must be a whole number from 1\n");
        return 2;
    }
    std::vector<Command> commands;
    std::vector<std::pair<std::string, std::string>> ratios;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ratio" && i + 1 < argc) {
            const std::string pair = argv[++i];
            const size_t slash = pair.find('/');
            ratios.emplace_back(pair.substr(0, slash), pair.substr(slash + 1));
            continue;
        }
        const size_t eq = arg.find('=');
        if (eq == std::string::npos) {
            std::fprintf(stderr, "spawn_timer: expected NAME=COMMAND, got %s\n", arg.c_str());
            return 2;
        }
        commands.push_back({arg.substr(0, eq), split(arg.substr(eq + 1)), {}, {}});
    }
    // One round not counted: caches and the page cache settle.
    for (Command &c : commands)
        if (!runOnce(c))
            return 1;
    for (Command &c : commands)
        c.wall.clear(), c.peakMiB.clear();
    for (int r = 0; r < runs; ++r)
        for (Command &c : commands)
            if (!runOnce(c))
                return 1;

    std::printf("%-10s %9s %9s %9s %10s   (%d runs each, whole process)\n", "command", "min s",
                "median s", "max s", "peak MiB", runs);
    for (const Command &c : commands)
        std::printf("%-10s %9.4f %9.4f %9.4f %10.1f\n", c.name.c_str(),
                    *std::min_element(c.wall.begin(), c.wall.end()), median(c.wall),
                    *std::max_element(c.wall.begin(), c.wall.end()), median(c.peakMiB));
    for (const auto &[a, b] : ratios) {
        Command *ca = find(commands, a);
        Command *cb = find(commands, b);
        if (!ca || !cb) {
            std::fprintf(stderr, "spawn_timer: no command %s or %s\n", a.c_str(), b.c_str());
            return 2;
        }
        std::vector<double> paired;
        for (size_t r = 0; r < ca->wall.size(); ++r)
            paired.push_back(ca->wall[r] / cb->wall[r]);
        std::printf("ratio %s/%s: median %.3f (min %.3f, max %.3f)\n", a.c_str(), b.c_str(),
                    median(paired), *std::min_element(paired.begin(), paired.end()),
                    *std::max_element(paired.begin(), paired.end()));
    }
    return 0;
}
