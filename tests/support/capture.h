// Test support: captures what the trace writes to standard output.
#pragma once

#include <cstdio>
#include <string>

#include "diag/diag.h"

class TraceCapture {
public:
    TraceCapture() : file_(std::tmpfile()) { DiagSetStandardOutput(file_); }
    ~TraceCapture() {
        DiagSetStandardOutput(nullptr);
        if (file_) std::fclose(file_);
    }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::string Text() const { return ReadAll(file_); }

    static std::string ReadAll(std::FILE* file) {
        std::fflush(file);
        std::string text;
        std::rewind(file);
        for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
        std::fseek(file, 0, SEEK_END);
        return text;
    }

private:
    std::FILE* file_;
};
