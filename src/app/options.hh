// The option table of the option file: one entry per key, in the order in which keys
// are compared, each with the action that sets its params fields.
#pragma once

#include <string>

class params;

// Applies the option named key. value is the trimmed text after "=", raw the text
// after "=" as read (numeric options parse raw). A key that names no option is ignored.
void apply_option(params& p, const std::string& key, const std::string& value, const char* raw);
