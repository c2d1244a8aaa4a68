#pragma once

// What the process tells its caller; the values are documented in --help and the manual.
enum class ExitStatus : int {
    success = 0,      // everything renamed, or a dry run with no problem
    movesFailed = 1,  // some moves failed; the others were made
    badUsage = 2,     // bad options, unreadable input or a step that cannot work; nothing moved
    problemsFound = 3 // conflicts or errors in the plan; nothing moved
};
