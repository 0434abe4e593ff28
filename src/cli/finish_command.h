#pragma once
// kuvo-batch --finish DIR: after every shard of a job has run, merges their
// results files and ends the job as one run over the whole list would.
#include "cli/cli_options.h"

namespace kuvo::cli {

// Exit status: 0 every picture saved and published, 1 some failed,
// 2 the results cannot be merged (message on standard error).
int runFinish(CliJob &job);

} // namespace kuvo::cli
