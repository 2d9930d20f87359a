/* tessel_reader: reads the CSV files that Agilent ICP-MS instruments export, with their
 * acquisition and batch folders, through the same importer plug-in and core as tessel-import.
 *
 * A C interface for any language that can load a C library:
 *   - text in and out is UTF-8 and NUL-terminated; counts and sizes are fixed-width integers;
 *   - handles are opaque; each is released by its own function, which takes NULL calmly;
 *   - a function that can fail answers a tessel_status, and the calling thread's
 *     tessel_last_error() says why; a NULL or released handle, or an index out of range, is
 *     TESSEL_INVALID_ARGUMENT, never a crash; nothing is thrown across the interface;
 *   - every function may be called from any thread; calls on different handles run at once, and
 *     the read-only accessors may also share a handle.
 *
 * Ownership: a tessel_batch owns its JSON texts; a tessel_file owns its path, texts, channel names
 * and columns. Every pointer a handle gives stays valid, unchanged, until that handle is released.
 * A file taken from a batch (tessel_batch_file) is a handle of its own: it outlives the batch.
 */
#ifndef TESSEL_READER_H
#define TESSEL_READER_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(TESSEL_READER_LIBRARY)
#define TESSEL_READER_API __declspec(dllexport)
#else
#define TESSEL_READER_API __declspec(dllimport)
#endif
#else
#define TESSEL_READER_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef enum tessel_status {
    TESSEL_OK = 0,
    TESSEL_INVALID_ARGUMENT = 1, /* a NULL or released handle, a bad index, a malformed text */
    TESSEL_NO_IMPORTER = 2,      /* the plug-in folder holds no importer that loads */
    TESSEL_UNKNOWN_TIME_ZONE = 3,
    TESSEL_UNKNOWN_PREFERENCE = 4, /* a preference that no importer reads */
    TESSEL_OUT_OF_MEMORY = 5,
    TESSEL_INTERNAL_ERROR = 6
} tessel_status;

typedef struct tessel_reader tessel_reader; /* the importer plug-ins, loaded once */
typedef struct tessel_batch tessel_batch;   /* the results of one read */
typedef struct tessel_file tessel_file;     /* one file's result: data, report, error */

/* The library's version, "major.minor.patch"; a static text. */
TESSEL_READER_API const char *tessel_version(void);

/* Why the calling thread's last failed call failed; "" after none. At most 4,095 bytes of UTF-8
 * (a longer message is cut before a whole character). Valid until the thread's next call that
 * fails. */
TESSEL_READER_API const char *tessel_last_error(void);

/* Loads the importer plug-ins of plugin_folder; NULL or "" looks beside the library (the
 * installed layout's tessel/plugins, then plugins/), then in the build's plug-in folder. */
TESSEL_READER_API tessel_status tessel_reader_open(const char *plugin_folder,
                                                   tessel_reader **reader);
TESSEL_READER_API void tessel_reader_close(tessel_reader *reader);

/* Told after each file of a read has been imported: how many of the total are done. Called on
 * the thread that called tessel_read, in the order of the files. */
typedef void (*tessel_progress)(void *context, int32_t done, int32_t total);

/* Reads the paths (CSV exports, ".d" acquisition folders, ".b" batch folders, any folder: every
 * export under it, in path order) as tessel-import reads them: each file with a fresh importer,
 * on up to jobs threads (0: one per processor). Local times are read in the IANA zone time_zone
 * (NULL or "": the computer's). preferences are "key=value" texts that the importers read in
 * place of the user's settings, which the library never reads; a key they do not name keeps its
 * default. progress, unless NULL, is told after each file, with context. A file that fails to
 * import is a result with its error, not a failed call: the call fails only for bad arguments,
 * an unknown zone or preference, or lack of memory. */
TESSEL_READER_API tessel_status tessel_read(tessel_reader *reader, const char *const *paths,
                                            int32_t path_count, const char *time_zone,
                                            const char *const *preferences,
                                            int32_t preference_count, int32_t jobs,
                                            tessel_progress progress, void *context,
                                            tessel_batch **batch);
TESSEL_READER_API void tessel_batch_release(tessel_batch *batch);

/* The number of files read; -1 for an invalid handle. */
TESSEL_READER_API int32_t tessel_batch_file_count(const tessel_batch *batch);
/* A new handle on the index-th file, in the order tessel-import reports them (the order of the
 * paths, a folder's files in path order). */
TESSEL_READER_API tessel_status tessel_batch_file(const tessel_batch *batch, int32_t index,
                                                  tessel_file **file);
/* The index of the file that comes position-th in order of acquisition (by start, the files
 * without one last in path order), as tessel-import's batch overview lists them; -1 when
 * position or the handle is invalid. */
TESSEL_READER_API int32_t tessel_batch_acquisition_order(const tessel_batch *batch,
                                                         int32_t position);
/* The whole report, as tessel-import --json writes it for the same paths: "files", "overview"
 * (the order of acquisition, the totals, each batch log's acquisitions without an export and
 * results other than "Pass"), "schemaVersion" and "timeZone". NULL for an invalid handle. */
TESSEL_READER_API const char *tessel_batch_json(const tessel_batch *batch);

TESSEL_READER_API void tessel_file_release(tessel_file *file);
/* 1 when the file's data was imported, 0 when not, -1 for an invalid handle. */
TESSEL_READER_API int32_t tessel_file_ok(const tessel_file *file);
/* The file's path as reported. NULL for an invalid handle (as for every text below). */
TESSEL_READER_API const char *tessel_file_path(const tessel_file *file);
/* Why the import failed, the importer's messages one a line; "" when it succeeded. */
TESSEL_READER_API const char *tessel_file_error(const tessel_file *file);
/* The file's entry of the tessel-import --json report (a JSON object). */
TESSEL_READER_API const char *tessel_file_json(const tessel_file *file);
/* The data rows (without the closing row the importer hands its host); 0 when the import failed,
 * -1 for an invalid handle. */
TESSEL_READER_API int64_t tessel_file_row_count(const tessel_file *file);
/* The channels, in the report's order; -1 for an invalid handle. */
TESSEL_READER_API int32_t tessel_file_channel_count(const tessel_file *file);
TESSEL_READER_API const char *tessel_file_channel_name(const tessel_file *file, int32_t channel);
/* The data rows' instants, seconds since 1970-01-01 UTC: row_count values. NULL when the import
 * failed or the handle is invalid. */
TESSEL_READER_API const double *tessel_file_time(const tessel_file *file);
/* The channel's values, row_count of them. NULL when the import failed or an argument is
 * invalid. */
TESSEL_READER_API const double *tessel_file_channel_values(const tessel_file *file,
                                                           int32_t channel);

#ifdef __cplusplus
}
#endif

#endif
