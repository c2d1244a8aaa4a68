#pragma once

// Where one listed file stands: to be renamed, sharing its new name with another file,
// unusable (bad new name or a failed move), or renamed by the last batch.
enum class RenameStatus { pending, conflict, error, success };
