#pragma once

#include "core/safefile.h"

#include <QString>

// Why a file was not written, in the user's words: the reason, and the
// system's own account after it where it gave one. The list's failure boxes
// and every export tell it so.
QString failureText(const WriteFailure &failure);
