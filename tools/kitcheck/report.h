// kitcheck's answers: text for a person, one JSON object for CI.
#pragma once

#include <cstdio>
#include <vector>

#include "tools/kitcheck/check.h"

namespace kitcheck {

/// One block per version: verdict, files, port, descriptions, uninstall,
/// findings. `colour` adds terminal colours to the verdicts and severities.
void PrintText(std::FILE* out, const Options& options, const std::vector<VersionCheck>& checks,
               bool colour);

/// {"passed":..,"inf":..,"printer":..,"versions":[{...}]}
void PrintJson(std::FILE* out, const Options& options, const std::vector<VersionCheck>& checks);

}  // namespace kitcheck
