// The trace facility: rows, their plain and HTML forms, the size cap and the error file.
#include "diag/diag.h"

#include <cstdlib>
#include <cstring>

#include "platform/win.h"

DiagState Diag;

namespace {

// The longest formatted piece, terminator included; longer pieces are cut.
constexpr std::size_t PIECE_LIMIT = 300;

constexpr const char* TRUNCATION_NOTICE =
    "----- This trace file has been truncated because it is too long -----";

constexpr const char* HTML_HEAD =
    "<!DOCTYPE html>\r\n<HTML><HEAD><TITLE>Lobshot trace</TITLE>\r\n<STYLE>\r\n"
    "body { font-family: sans-serif; }\r\n"
    "table { border-collapse: collapse; }\r\n"
    "td { border: 1px solid #ccc; padding: 2px 6px; vertical-align: top; }\r\n"
    "pre { margin: 0; }\r\n"
    "tr.severity_low { color: #888; }\r\n"
    "tr.severity_debug { color: #036; }\r\n"
    "tr.severity_high { color: #a00; font-weight: bold; }\r\n"
    "</STYLE></HEAD>\r\n<BODY><TABLE>\r\n";

std::FILE* StandardOutput = nullptr;

const char* HtmlRowStart(unsigned severity) {
    switch (severity) {
        case DIAG_LOW:
            return "<TR class=\"severity_low\">";
        case DIAG_DEBUG:
            return "<TR class=\"severity_debug\">";
        case DIAG_HIGH:
        case DIAG_ERROR:
            return "<TR class=\"severity_high\">";
        default:
            return "";
    }
}

// Writes one finished piece to the handle, or to standard output when no file is in use.
void WritePiece(DiagHandle handle, const char* piece) {
    if (!(Diag.TraceToFile && handle)) {
        std::FILE* out = StandardOutput ? StandardOutput : stdout;
        std::fputs(piece, out);
        return;
    }
    if (std::fseek(handle, 0, SEEK_END) != 0) return;
    long size = std::ftell(handle);
    if (size < 0) return;
    bool overLimit = size > DIAG_TRACE_LIMIT;
    if (overLimit) {
        piece = TRUNCATION_NOTICE;
        Diag.TraceTruncated = true;
    }
    std::fwrite(piece, 1, std::strlen(piece), handle);
    std::fflush(handle);
    if (overLimit) {
        std::fclose(handle);
        if (handle == Diag.TraceFile) Diag.TraceFile = nullptr;
        if (handle == Diag.ErrorFile) Diag.ErrorFile = nullptr;
    }
}

void WritePieceV(DiagHandle handle, bool isFormat, const char* text, std::va_list args) {
    if (Diag.TraceTruncated) return;
    if (!isFormat) {
        WritePiece(handle, text);
        return;
    }
    char buffer[PIECE_LIMIT];
    std::vsnprintf(buffer, sizeof buffer, text, args);
    WritePiece(handle, buffer);
}

void WriteText(DiagHandle handle, const char* text) { DiagWrite(handle, false, text); }

// Writes the row's pieces to one handle: the HTML cells or the plain line. The copy in the error
// file has no row class and no "ERROR:" prefix.
void WriteRow(DiagHandle handle, unsigned severity, const char* module, const char* lineText,
              const char* function, const char* message, bool errorCopy) {
    if (Diag.TraceHtml) {
        if (errorCopy) {
            WriteText(handle, "<TR><TD>");
        } else {
            WriteText(handle, HtmlRowStart(severity));
            WriteText(handle, "<TD>");
        }
        WriteText(handle, module);
        WriteText(handle, "</TD><TD>");
        WriteText(handle, lineText);
        WriteText(handle, "</TD><TD>");
        WriteText(handle, function);
        WriteText(handle, "</TD><TD><PRE>");
        WriteText(handle, message);
        WriteText(handle, "</PRE></TD></TR>\r\n");
        return;
    }
    if (severity == DIAG_ERROR && !errorCopy) WriteText(handle, "ERROR:");
    WriteText(handle, function);
    WriteText(handle, ": ");
    WriteText(handle, message);
    WriteText(handle, "\r\n");
}

DiagHandle OpenTraceFile(const char* path) {
    std::FILE* file = std::fopen(path, "ab");
    if (!file) return nullptr;
    std::fseek(file, 0, SEEK_END);
    if (Diag.TraceHtml && std::ftell(file) == 0) std::fputs(HTML_HEAD, file);
    return file;
}

}  // namespace

void DiagSetStandardOutput(std::FILE* stream) { StandardOutput = stream; }

void DiagConfigureFromEnvironment() {
    auto on = [](const char* name) {
        const char* value = std::getenv(name);
        return value && std::strcmp(value, "1") == 0;
    };
    Diag.TraceLowSeverity = on("LOBSHOT_TRACE_LOW");
    Diag.TraceHtml = on("LOBSHOT_TRACE_HTML");
    if (const char* path = std::getenv("LOBSHOT_TRACE_FILE"); path && *path) {
        Diag.TraceFile = OpenTraceFile(path);
        Diag.TraceToFile = Diag.TraceFile != nullptr;
    }
    if (const char* path = std::getenv("LOBSHOT_ERROR_FILE"); path && *path) {
        Diag.ErrorFile = OpenTraceFile(path);
        Diag.TraceToFile = Diag.TraceToFile || Diag.ErrorFile != nullptr;
    }
}

void DiagReset() {
    if (Diag.TraceFile) std::fclose(Diag.TraceFile);
    if (Diag.ErrorFile && Diag.ErrorFile != Diag.TraceFile) std::fclose(Diag.ErrorFile);
    Diag = DiagState{};
    DiagTimer = DiagTimerState{};
    StandardOutput = nullptr;
}

void DiagWrite(DiagHandle handle, bool isFormat, const char* text, ...) {
    std::va_list args;
    va_start(args, text);
    WritePieceV(handle, isFormat, text, args);
    va_end(args);
}

void DiagTraceV(unsigned severity, const char* module, int line, const char* function, const char* format,
                std::va_list args) {
    if (severity == DIAG_LOW && !Diag.TraceLowSeverity) return;
    char lineText[PIECE_LIMIT] = "";
    if (line != 0) std::snprintf(lineText, sizeof lineText, "%i", line);
    char message[PIECE_LIMIT];
    std::vsnprintf(message, sizeof message, format, args);

    WriteRow(Diag.TraceFile, severity, module, lineText, function, message, false);
    if (severity == DIAG_ERROR && Diag.ErrorFile)
        WriteRow(Diag.ErrorFile, severity, module, lineText, function, message, true);
}

void DiagTrace(unsigned severity, const char* module, int line, const char* function, const char* format,
               ...) {
    std::va_list args;
    va_start(args, format);
    DiagTraceV(severity, module, line, function, format, args);
    va_end(args);
}

void DiagLastError() {
    DWORD code = GetLastError();
    std::string text = PlatformErrorText(code);
    DiagTrace(DIAG_ERROR, "-", 0, "-", "GetLastError %i: %s\n", static_cast<int>(code), text.c_str());
}

void DiagScope::Enter() const { DiagTrace(DIAG_LOW, module_, line_, function_, "->"); }

void DiagScope::Leave(bool byException) const {
    DiagTrace(DIAG_LOW, module_, 0, function_, byException ? "<- EXCEPTION" : "<-");
}
