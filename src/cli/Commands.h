#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tarvel::cli {

// Each subcommand takes the arguments after its name and returns the exit status.
int runSnapshot(const std::vector<std::string>& args, std::ostream& out);
int runReplay(const std::vector<std::string>& args, std::ostream& out);
int runStatus(const std::vector<std::string>& args, std::ostream& out);
int runWatch(const std::vector<std::string>& args, std::ostream& out);
int runCharge(const std::vector<std::string>& args, std::ostream& out);
int runWhy(const std::vector<std::string>& args, std::ostream& out);
int runTop(const std::vector<std::string>& args, std::ostream& out);
int runHistory(const std::vector<std::string>& args, std::ostream& out);
int runIcon(const std::vector<std::string>& args, std::ostream& out);
int runUpdate(const std::vector<std::string>& args, std::ostream& out);

}  // namespace tarvel::cli
