// Writes a realistic Agilent CSV export for benchmarks and tests: a gas blank, an ablation signal
// and a wash-out on every channel, counts with two decimals (and whole numbers now and then, as
// spreadsheets rewrite them), the header lines and the Printed footer.
//
//   generate-export --rows N --channels C [--line-ending crlf|lf|cr] [--seed S] OUT.csv
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const char *const isotopes[] = {
    "Li7",   "Be9",   "B11",   "Na23",  "Mg24",  "Al27",  "Si29",  "P31",   "K39",   "Ca43",
    "Ca44",  "Sc45",  "Ti47",  "Ti49",  "V51",   "Cr52",  "Mn55",  "Fe57",  "Co59",  "Ni60",
    "Cu63",  "Zn66",  "Ga71",  "Ge74",  "As75",  "Rb85",  "Sr88",  "Y89",   "Zr90",  "Nb93",
    "Mo95",  "Ag107", "Cd111", "Sn118", "Sb121", "Cs133", "Ba137", "La139", "Ce140", "Pr141",
    "Nd146", "Sm147", "Eu153", "Gd157", "Tb159", "Dy163", "Ho165", "Er166", "Tm169", "Yb172",
    "Lu175", "Hf178", "Ta181", "W182",  "Pb206", "Pb207", "Pb208", "Bi209", "Th232", "U238"};
const int isotopeCount = int(sizeof isotopes / sizeof *isotopes);

struct Options
{
    // Fixed widths: long has 32 bits on Windows, and the same seed must give the same export on
    // every system.
    std::int64_t rows = 2000;
    int channels = 10;
    std::string lineEnd = "\r\n";
    std::uint64_t seed = 1;
    std::string out;
};

[[noreturn]] void usage()
{
    std::fprintf(stderr, "usage: generate-export --rows N --channels C [--line-ending crlf|lf|cr] "
                         "[--seed S] OUT.csv\n");
    std::exit(2);
}

Options parse(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--rows" && hasValue)
            options.rows = std::strtoll(argv[++i], nullptr, 10);
        else if (arg == "--channels" && hasValue)
            options.channels = std::atoi(argv[++i]);
        else if (arg == "--seed" && hasValue)
            options.seed = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--line-ending" && hasValue) {
            const std::string end = argv[++i];
            options.lineEnd = end == "lf" ? "\n" : end == "cr" ? "\r" : end == "crlf" ? "\r\n" : "";
            if (options.lineEnd.empty())
                usage();
        } else if (arg[0] != '-' && options.out.empty())
            options.out = arg;
        else
            usage();
    }
    if (options.out.empty() || options.rows < 0 || options.channels < 1)
        usage();
    return options;
}

// Channel names: the isotope list, then the list again with a suffix.
std::string channelName(int index)
{
    std::string name = isotopes[index % isotopeCount];
    if (index >= isotopeCount)
        name += "_" + std::to_string(index / isotopeCount);
    return name;
}

// Signal level at time t: blank, then ablation from 30 s to 70 s, then exponential wash-out;
// long runs repeat the 100 s spot cycle, as a run of spots or lines does.
double profile(double time, double blank, double peak)
{
    const double t = std::fmod(time, 100.0);
    if (t < 30.0)
        return blank;
    if (t < 70.0)
        return blank + peak * (1.0 - std::exp(-(t - 30.0) / 0.3)) * std::exp(-(t - 30.0) * 0.004);
    return blank + peak * std::exp(-40.0 * 0.004) * std::exp(-(t - 70.0) / 2.5);
}

void appendNumber(std::string &line, double value, int decimals)
{
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals)
            .ptr;
    line.append(buffer, end);
}

} // namespace

int main(int argc, char **argv)
{
    const Options options = parse(argc, argv);
    std::FILE *out = std::fopen(options.out.c_str(), "wb");
    if (!out) {
        std::perror(options.out.c_str());
        return 1;
    }
    // The engine draws the same numbers everywhere; the distributions are the standard library's
    // own, alike wherever it is libstdc++ (Linux, MinGW-w64), not under MSVC.
    std::mt19937_64 random(options.seed);
    std::vector<double> blank(options.channels), peak(options.channels);
    std::lognormal_distribution<double> levels(8.0, 2.5);
    for (int c = 0; c < options.channels; ++c) {
        blank[c] = std::uniform_real_distribution<double>(0.0, 400.0)(random);
        peak[c] = levels(random);
    }
    const std::string &eol = options.lineEnd;
    std::string text = "D:\\Agilent\\ICPMH\\1\\DATA\\bench.b\\Generated_" +
                       std::to_string(options.seed) + ".d" + eol + "Intensity Vs Time,CPS" + eol +
                       "Acquired      : 18/11/2020 14:24:29 using Batch bench.b" + eol +
                       "Time [Sec]";
    for (int c = 0; c < options.channels; ++c)
        text += "," + channelName(c);
    text += eol;

    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_int_distribution<int> wholeNumber(0, 9);
    const double step = 0.0294 + 0.001 * options.channels;
    for (std::int64_t r = 0; r < options.rows; ++r) {
        const double t = 0.0413 + step * double(r);
        appendNumber(text, t, 4);
        for (int c = 0; c < options.channels; ++c) {
            const double level = profile(t, blank[c], peak[c]);
            const double counts = std::max(0.0, level + std::sqrt(level) * noise(random));
            text += ',';
            appendNumber(text, counts, wholeNumber(random) == 0 ? 0 : 2);
        }
        text += eol;
        if (text.size() > (1 << 20)) {
            std::fwrite(text.data(), 1, text.size(), out);
            text.clear();
        }
    }
    text += eol + eol + "          Printed:18/11/2020 14:31:02" + eol;
    std::fwrite(text.data(), 1, text.size(), out);
    return std::fclose(out) == 0 ? 0 : 1;
}
