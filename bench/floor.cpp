// The floor of an import on this machine: the file read into memory already paged in, and every
// number of its data lines converted with fast_float into columns made and paged in ahead, on one
// thread and on two (each half of the lines into columns of its own). What an importer does
// beyond this (the line scan, the row count, fresh memory, the hand-off) is its own cost.
//   floor FILE    prints "threads seconds MB/s" for 1 and 2 threads, the best of 5 rounds
#include <fast_float/fast_float.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

namespace {

struct Half
{
    const char *begin;
    const char *end;
    std::vector<std::vector<double>> columns; // made ahead, one per field of a line
};

// The data lines start after the fourth line; a line that does not start with a digit ends them.
const char *dataStart(const std::vector<char> &text)
{
    const char *p = text.data();
    for (int line = 0; line < 4; ++line)
        p = static_cast<const char *>(std::memchr(p, '\n', text.data() + text.size() - p)) + 1;
    return p;
}

void convert(Half &half)
{
    std::size_t row = 0;
    const char *p = half.begin;
    while (p < half.end && *p >= '0' && *p <= '9') {
        for (std::vector<double> &column : half.columns) {
            double value = 0.0;
            const auto parsed = fast_float::from_chars(p, half.end, value);
            column[row] = value;
            p = parsed.ptr + 1; // past the comma, or the CR of CR LF
        }
        if (p < half.end && *p == '\n')
            ++p;
        ++row;
    }
}

double timed(std::vector<Half> &halves)
{
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < halves.size(); ++i)
        helpers.emplace_back([&halves, i] { convert(halves[i]); });
    convert(halves[0]);
    for (std::thread &helper : helpers)
        helper.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    std::vector<char> text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    const char *first = dataStart(text);
    const char *last = text.data() + text.size();
    const std::size_t fields =
        std::count(first, static_cast<const char *>(std::memchr(first, '\n', last - first)), ',') +
        1;
    const std::size_t rows = std::count(first, last, '\n') + 1;
    for (int threads : {1, 2}) {
        std::vector<Half> halves;
        const char *begin = first;
        for (int i = 0; i < threads; ++i) {
            const char *end = i + 1 == threads
                                  ? last
                                  : static_cast<const char *>(std::memchr(
                                        first + (last - first) / threads, '\n', last - first)) +
                                        1;
            halves.push_back(
                {begin, end,
                 std::vector<std::vector<double>>(fields, std::vector<double>(rows, 1.0))});
            begin = end;
        }
        double best = 1e9;
        for (int round = 0; round < 5; ++round)
            best = std::min(best, timed(halves));
        std::printf("%d %.4f %.1f\n", threads, best, double(text.size()) / 1e6 / best);
    }
    return 0;
}
