/* The native reader's C interface, called as a C program calls it: every function, with good
 * and bad arguments and released handles. Arguments: the plug-in folder and the examples'
 * folder. Ends with "N passed, N failed". */
#include "tessel_reader.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

static int passed = 0;
static int failed = 0;

static void check(int condition, const char *what)
{
    if (condition) {
        ++passed;
    } else {
        ++failed;
        printf("FAIL: %s (last error: %s)\n", what, tessel_last_error());
    }
}

static int contains(const char *text, const char *part)
{
    return text != NULL && strstr(text, part) != NULL;
}

static tessel_batch *read_one(tessel_reader *reader, const char *path, const char *zone)
{
    tessel_batch *batch = NULL;
    const char *paths[] = {path};
    const tessel_status status =
        tessel_read(reader, paths, 1, zone, NULL, 0, 1, NULL, NULL, &batch);
    check(status == TESSEL_OK && batch != NULL, "a path reads");
    return batch;
}

static void refuses_bad_reads(tessel_reader *reader, const char *example)
{
    const char *paths[] = {example};
    const char *no_equals[] = {"agilentDateFormat"};
    const char *unknown[] = {"noSuchPreference=1"};
    const char *null_path[] = {NULL};
    tessel_batch *batch = (tessel_batch *)1;

    check(tessel_read(NULL, paths, 1, NULL, NULL, 0, 1, NULL, NULL, &batch) ==
                  TESSEL_INVALID_ARGUMENT &&
              batch == NULL,
          "a NULL reader is refused and no batch is given");
    check(tessel_read(reader, paths, 1, NULL, NULL, 0, 1, NULL, NULL, NULL) ==
              TESSEL_INVALID_ARGUMENT,
          "a NULL result place is refused");
    check(tessel_read(reader, NULL, 1, NULL, NULL, 0, 1, NULL, NULL, &batch) ==
              TESSEL_INVALID_ARGUMENT,
          "paths at NULL are refused");
    check(tessel_read(reader, paths, -1, NULL, NULL, 0, 1, NULL, NULL, &batch) ==
              TESSEL_INVALID_ARGUMENT,
          "a negative path count is refused");
    check(tessel_read(reader, paths, 0, NULL, NULL, 0, 1, NULL, NULL, &batch) ==
              TESSEL_INVALID_ARGUMENT,
          "no path is refused");
    check(tessel_read(reader, null_path, 1, NULL, NULL, 0, 1, NULL, NULL, &batch) ==
              TESSEL_INVALID_ARGUMENT,
          "a NULL path is refused");
    check(tessel_read(reader, paths, 1, "Mars/Olympus_Mons", NULL, 0, 1, NULL, NULL, &batch) ==
                  TESSEL_UNKNOWN_TIME_ZONE &&
              contains(tessel_last_error(), "Mars/Olympus_Mons"),
          "an unknown zone is refused by name");
    check(tessel_read(reader, paths, 1, NULL, no_equals, 1, 1, NULL, NULL, &batch) ==
              TESSEL_INVALID_ARGUMENT,
          "a preference without '=' is refused");
    check(tessel_read(reader, paths, 1, NULL, unknown, 1, 1, NULL, NULL, &batch) ==
                  TESSEL_UNKNOWN_PREFERENCE &&
              contains(tessel_last_error(), "agilentDateFormat"),
          "an unknown preference is refused, naming those known");
    check(tessel_read(reader, paths, 1, NULL, NULL, 0, -1, NULL, NULL, &batch) ==
              TESSEL_INVALID_ARGUMENT,
          "negative jobs are refused");
}

/* A zone named by 3,000 "é" (6,000 bytes), after no "x" and after one, so that 4,095 bytes end
 * once after and once inside a character: the message names it, cut to at most 4,095 bytes and
 * never inside a character. */
static void cuts_a_long_error_before_a_whole_character(tessel_reader *reader, const char *example)
{
    for (int shift = 0; shift < 2; ++shift) {
        static char zone[6002];
        memset(zone, 0, sizeof zone);
        zone[0] = 'x';
        for (int i = 0; i < 3000; ++i)
            memcpy(zone + shift + 2 * i, "\xC3\xA9", 2);
        const char *paths[] = {example};
        tessel_batch *batch = NULL;
        check(tessel_read(reader, paths, 1, zone, NULL, 0, 1, NULL, NULL, &batch) ==
                  TESSEL_UNKNOWN_TIME_ZONE,
              "a zone of 6,000 bytes is refused");
        const char *error = tessel_last_error();
        const size_t length = strlen(error);
        check(length >= 4094 && length <= 4095 && contains(error, "\xC3\xA9\xC3\xA9") &&
                  (unsigned char)error[length - 1] == 0xA9,
              "a long error is cut to 4,095 bytes before a whole character");
    }
}

static void reads_an_acquisition(tessel_reader *reader, const char *example)
{
    const char *paths[] = {example};
    const char *preferences[] = {"agilentTimeLineOption=Use 'Acquired' Time",
                                 "importMachineName=bench"};
    tessel_batch *batch = NULL;
    tessel_file *file = NULL;
    check(tessel_read(reader, paths, 1, "Australia/Adelaide", preferences, 2, 0, NULL, NULL,
                      &batch) == TESSEL_OK,
          "an acquisition folder reads with preferences and a zone");
    check(tessel_batch_file_count(batch) == 1, "an acquisition folder gives its one export");
    check(tessel_batch_acquisition_order(batch, 0) == 0, "one file comes first");
    check(contains(tessel_batch_json(batch), "\"timeZone\": \"Australia/Adelaide\""),
          "the report names the zone");
    check(tessel_batch_file(batch, 0, &file) == TESSEL_OK && file != NULL, "the file is taken");
    tessel_batch_release(batch);

    /* The file outlives its batch. */
    const int64_t rows = tessel_file_row_count(file);
    const int32_t channels = tessel_file_channel_count(file);
    check(tessel_file_ok(file) == 1, "the example imports");
    check(strcmp(tessel_file_error(file), "") == 0, "an import that succeeds has no error");
    check(contains(tessel_file_path(file), ".csv"), "the file's path is the export's");
    check(contains(tessel_file_json(file), "\"ok\":true"), "the file's report says it imported");
    check(rows > 100 && channels > 1, "rows and channels arrive");
    const double *time = tessel_file_time(file);
    check(time != NULL && time[0] > 1.6e9 && time[rows - 1] > time[0],
          "times are seconds since 1970 and rise");
    int all_finite = 1;
    for (int32_t channel = 0; channel < channels; ++channel) {
        const double *values = tessel_file_channel_values(file, channel);
        const char *name = tessel_file_channel_name(file, channel);
        all_finite = all_finite && values != NULL && name != NULL && isfinite(values[0]) &&
                     isfinite(values[rows - 1]);
    }
    check(all_finite, "every channel has a name and values at its first and last row");
    check(tessel_file_channel_name(file, channels) == NULL &&
              contains(tessel_last_error(), "no channel"),
          "a channel past the last is refused");
    check(tessel_file_channel_values(file, -1) == NULL, "a negative channel is refused");
    tessel_file_release(file);

    check(tessel_file_ok(file) == -1 && contains(tessel_last_error(), "released"),
          "a released file is refused");
    check(tessel_file_row_count(file) == -1 && tessel_file_channel_count(file) == -1 &&
              tessel_file_path(file) == NULL && tessel_file_json(file) == NULL &&
              tessel_file_error(file) == NULL && tessel_file_time(file) == NULL &&
              tessel_file_channel_name(file, 0) == NULL &&
              tessel_file_channel_values(file, 0) == NULL,
          "every accessor refuses a released file");
    tessel_file_release(file); /* twice: nothing happens */
    check(tessel_batch_file_count(batch) == -1 && tessel_batch_json(batch) == NULL &&
              tessel_batch_acquisition_order(batch, 0) == -1,
          "a released batch is refused");
}

static void reports_a_failed_file(tessel_reader *reader, const char *examples)
{
    char missing[4096];
    snprintf(missing, sizeof missing, "%s/no-such-export.csv", examples);
    tessel_batch *batch = read_one(reader, missing, "UTC");
    tessel_file *file = NULL;
    check(tessel_batch_file(batch, 1, &file) == TESSEL_INVALID_ARGUMENT && file == NULL,
          "a file past the last is refused");
    check(tessel_batch_file(batch, 0, &file) == TESSEL_OK, "the missing file is a result");
    check(tessel_file_ok(file) == 0 && strlen(tessel_file_error(file)) > 0,
          "a missing file failed with its error");
    check(tessel_file_row_count(file) == 0 && tessel_file_time(file) == NULL &&
              tessel_file_channel_count(file) == 0,
          "a failed file has no rows");
    check(contains(tessel_file_json(file), "\"ok\":false"), "its report says it failed");
    tessel_file_release(file);
    tessel_batch_release(batch);
}

struct progress_log
{
    int calls;
    int32_t done;
    int32_t total;
    int in_order;
};

static void log_progress(void *context, int32_t done, int32_t total)
{
    struct progress_log *log = (struct progress_log *)context;
    log->in_order = log->in_order && done == log->done + 1;
    log->calls += 1;
    log->done = done;
    log->total = total;
}

static void reads_a_folder_in_acquisition_order(tessel_reader *reader, const char *examples)
{
    const char *paths[] = {examples};
    struct progress_log progress = {0, 0, 0, 1};
    tessel_batch *batch = NULL;
    check(tessel_read(reader, paths, 1, "UTC", NULL, 0, 2, log_progress, &progress, &batch) ==
              TESSEL_OK,
          "a folder reads on two threads");
    check(progress.calls == 2 && progress.in_order && progress.done == 2 && progress.total == 2,
          "progress is told once per file, in order");
    const int32_t count = tessel_batch_file_count(batch);
    check(count == 2, "the examples' folder holds two exports");
    const int32_t first = tessel_batch_acquisition_order(batch, 0);
    const int32_t second = tessel_batch_acquisition_order(batch, 1);
    check(first + second == 1 && first != second, "the order of acquisition places each file once");
    check(tessel_batch_acquisition_order(batch, count) == -1, "no place past the last");
    tessel_file *earlier = NULL;
    tessel_file *later = NULL;
    tessel_batch_file(batch, first, &earlier);
    tessel_batch_file(batch, second, &later);
    check(tessel_file_time(earlier)[0] < tessel_file_time(later)[0],
          "the first in acquisition order started first");
    tessel_file_release(earlier);
    tessel_file_release(later);
    tessel_batch_release(batch);
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        printf("usage: %s PLUGIN_FOLDER EXAMPLES_FOLDER\n", argv[0]);
        return 2;
    }
    char example[4096];
    snprintf(example, sizeof example, "%s/GlassStd_01.d", argv[2]);

    check(strlen(tessel_version()) >= 5, "the version is major.minor.patch");
    check(strcmp(tessel_last_error(), "") == 0, "no error before any call");
    tessel_reader *reader = (tessel_reader *)1;
    check(tessel_reader_open(argv[2], &reader) == TESSEL_NO_IMPORTER && reader == NULL,
          "a folder without plug-ins gives no reader");
    check(tessel_reader_open(argv[1], NULL) == TESSEL_INVALID_ARGUMENT,
          "a NULL reader place is refused");
    check(tessel_reader_open(NULL, &reader) == TESSEL_OK && reader != NULL,
          "without a folder the reader finds the build's plug-in");
    tessel_reader_close(reader);
    check(tessel_reader_open(argv[1], &reader) == TESSEL_OK && reader != NULL,
          "the plug-in folder gives a reader");

    refuses_bad_reads(reader, example);
    cuts_a_long_error_before_a_whole_character(reader, example);
    reads_an_acquisition(reader, example);
    reports_a_failed_file(reader, argv[2]);
    reads_a_folder_in_acquisition_order(reader, argv[2]);

    tessel_reader_close(reader);
    tessel_reader_close(reader);
    tessel_reader_close(NULL);
    tessel_batch_release(NULL);
    tessel_file_release(NULL);
    const char *paths[] = {example};
    tessel_batch *batch = NULL;
    check(tessel_read(reader, paths, 1, NULL, NULL, 0, 1, NULL, NULL, &batch) ==
              TESSEL_INVALID_ARGUMENT,
          "a closed reader is refused");

    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
