#pragma once

// The exit codes of the tool's process.
enum ExitCode { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };
