#pragma once

#include <ostream>

#include "cli/Args.h"

namespace tarvel::cli {

// Each command takes its parsed arguments and returns the exit status.
int runSnapshot(const Args& args, std::ostream& out);
int runReplay(const Args& args, std::ostream& out);
int runStatus(const Args& args, std::ostream& out);
int runWatch(const Args& args, std::ostream& out);
int runCharge(const Args& args, std::ostream& out);
int runWhy(const Args& args, std::ostream& out);
int runTop(const Args& args, std::ostream& out);
int runHistory(const Args& args, std::ostream& out);
int runIcon(const Args& args, std::ostream& out);
int runMetrics(const Args& args, std::ostream& out);

}  // namespace tarvel::cli
