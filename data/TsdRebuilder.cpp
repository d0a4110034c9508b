#include "data/TsdRebuilder.h"

#include "data/Errors.h"
#include "data/FileNames.h"
#include "data/PosixFile.h"
#include "data/TFrmSDFdata.h"
#include "data/TsdLineReader.h"
#include "data/TsdWriter.h"

#include <cstdio>
#include <fcntl.h>

namespace tessary {

namespace {

constexpr std::size_t FlushBytes = 1 << 20;

// Lines collected and appended to the temporary file in large writes.
class LineSink {
public:
    explicit LineSink(PosixFile& file) : file_(file) {}

    bool Put(const std::string& line) {
        text_ += line;
        text_ += "\r\n";
        return text_.size() < FlushBytes || Flush();
    }
    bool Flush() {
        const bool written = file_.Write(text_.data(), text_.size());
        text_.clear();
        return written;
    }

private:
    PosixFile& file_;
    std::string text_;
};

// Lines of a header text, counted as the line reader splits them. The data file's header was
// written from the same record, memo included, so it has as many lines as a new one.
std::int64_t HeaderLines(const MeasurementParameters& record) {
    const std::string text = TsdWriter::EncodeHeader(record);
    std::int64_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            ++lines;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        }
    }
    return lines;
}

} // namespace

void TsdRebuilder::Rebuild(const std::string& path, std::int32_t blocks) {
    const std::string temporary = ReplaceExtension(path, ".$$$");
    const auto fail = [&](const std::string& what) {
        throw InOutError(what + "; the data file " + path +
                         " is unchanged and the temporary file " + temporary + " remains");
    };
    if (temporary == path) {
        throw InOutError("The data file " + path +
                         " cannot be rebuilt: its temporary file would be the file itself");
    }
    if (!holder_.WriteTsdHeader(temporary)) {
        fail("The header cannot be written to " + temporary);
    }
    const std::int32_t dataNum = holder_.Record().DataNum;
    const std::int64_t headerLines = HeaderLines(holder_.Record());
    try {
        TsdLineReader in(path);
        PosixFile out;
        if (!out.Open(temporary, O_WRONLY | O_APPEND)) {
            fail("The temporary file " + temporary + " cannot be opened");
        }
        LineSink sink(out);
        std::string last;
        // The old header is skipped first, so that a memo line reading "No.1" is not taken
        // for the first block.
        for (std::int64_t line = 0; line < headerLines && !in.AtEnd(); ++line) {
            in.Next();
        }
        while (!in.AtEnd()) {
            last = in.Next();
            if (last == "No.1") {
                break;
            }
        }
        for (std::int32_t block = 0; block < blocks; ++block) {
            bool written = sink.Put(last);
            for (std::int32_t step = 0; written && step < dataNum; ++step) {
                written = sink.Put(in.Next());
            }
            if (!written) {
                fail("Writing " + temporary + " failed");
            }
            if (!in.AtEnd()) {
                last = in.Next();
            }
        }
        in.Close();
        const bool flushed = sink.Flush() && out.Sync();
        if (!out.Close() || !flushed) {
            fail("Writing " + temporary + " failed");
        }
    } catch (const InOutError& e) {
        const std::string message = e.what();
        if (message.find(temporary) != std::string::npos) {
            throw;
        }
        fail(message);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        fail("The temporary file " + temporary + " cannot be renamed to " + path);
    }
}

} // namespace tessary
