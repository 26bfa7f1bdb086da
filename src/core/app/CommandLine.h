#pragma once

#include <string>

/** What the command line asks for: the program itself, or only an answer on standard output. */
enum class TCommand { Run, Help, Version };

/**
 * Reads the arguments (argv[0] excluded). "--help" and "--version" answer and end; everything
 * else is ignored, unknown options included, since launchers and the logon entry may pass field
 * codes. The first of the two found wins.
 */
TCommand ParseCommandLine(int argc, const char* const argv[]);

/** What --help prints. */
std::string HelpText();

/**
 * What --version prints: the version from the note in the executable at that path, the one the
 * About box shows; "unknown" when it has none.
 */
std::string VersionText(const std::string& executable);
