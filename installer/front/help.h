// The help box.
#pragma once

/// The help text shown by ShowHelp, byte for byte.
extern const char kHelpText[];

/// Shows the help box (caption "Quillset Help") and returns 1.
int ShowHelp();
