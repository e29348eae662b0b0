// Reading a file's index record, its lookups, and its compact stored form.
#include "index_record.h"

#include "features/encoding/eight_bit_text.h"
#include "features/show/show_files.h"
#include "features/tagedit/frame_table.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <cstring>

namespace {

// Stored numbers are variable-length (7 bits a byte), texts a length and their bytes.
class RecordWriter {
public:
    explicit RecordWriter(std::string& out) : m_out(out) {}
    void number(uint64_t n)
    {
        for (; n >= 0x80; n >>= 7)
            m_out += static_cast<char>(0x80 | (n & 0x7f));
        m_out += static_cast<char>(n);
    }
    void text(std::string_view s)
    {
        number(s.size());
        m_out.append(s);
    }
    void real(double d)
    {
        char bytes[sizeof d];
        std::memcpy(bytes, &d, sizeof d);
        m_out.append(bytes, sizeof d);
    }

private:
    std::string& m_out;
};

// Every read fails once the bytes run out or a length points past them; `ok` then stays false.
class RecordReader {
public:
    explicit RecordReader(std::string_view in) : m_in(in) {}
    bool ok = true;
    uint64_t number()
    {
        uint64_t n = 0;
        for (unsigned shift = 0; shift < 64; shift += 7) {
            if (m_at >= m_in.size())
                break;
            const auto byte = static_cast<unsigned char>(m_in[m_at++]);
            n |= uint64_t(byte & 0x7f) << shift;
            if (byte < 0x80)
                return n;
        }
        ok = false;
        return 0;
    }
    void text(std::string& s)
    {
        const uint64_t n = number();
        if (!ok || n > m_in.size() - m_at) {
            ok = false;
            return;
        }
        s.assign(m_in.data() + m_at, static_cast<std::size_t>(n));
        m_at += static_cast<std::size_t>(n);
    }
    double real()
    {
        double d = 0;
        if (m_in.size() - m_at < sizeof d) {
            ok = false;
            return d;
        }
        std::memcpy(&d, m_in.data() + m_at, sizeof d);
        m_at += sizeof d;
        return d;
    }
    bool atEnd() const { return m_at == m_in.size(); }

private:
    std::string_view m_in;
    std::size_t m_at = 0;
};

constexpr uint64_t kRecordFormat = 1;

void writeTag(RecordWriter& w, const TagRead& tag)
{
    w.number(tag.result);
    uint64_t undecodable = 0;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        w.text(tag.fields[i]);
        undecodable |= uint64_t(tag.undecodable[i]) << i;
    }
    w.number(undecodable);
}

void readTag(RecordReader& r, TagRead& tag)
{
    tag.result = static_cast<TagResult>(r.number());
    for (Utf8Text& text : tag.fields)
        r.text(text);
    const uint64_t undecodable = r.number();
    for (std::size_t i = 0; i < kFieldCount; ++i)
        tag.undecodable[i] = (undecodable >> i) & 1;
}

void writePictures(RecordWriter& w, const std::vector<PictureSummary>& pictures)
{
    w.number(pictures.size());
    for (const PictureSummary& p : pictures) {
        w.number(uint64_t(p.readable) | uint64_t(p.empty) << 1);
        w.number(p.type);
        w.text(p.mimeType);
        w.text(p.description);
        w.number(p.bytes);
        w.number(static_cast<uint64_t>(p.info.format));
        w.number(p.info.width);
        w.number(p.info.height);
    }
}

void readPictures(RecordReader& r, std::vector<PictureSummary>& pictures)
{
    pictures.resize(static_cast<std::size_t>(std::min<uint64_t>(r.number(), 1024)));
    for (PictureSummary& p : pictures) {
        const uint64_t flags = r.number();
        p.readable = flags & 1;
        p.empty = flags & 2;
        p.type = static_cast<uint8_t>(r.number());
        r.text(p.mimeType);
        r.text(p.description);
        p.bytes = static_cast<std::size_t>(r.number());
        const uint64_t format = r.number();
        p.info.format = format <= uint64_t(ImageFormat::Png) ? static_cast<ImageFormat>(format) : ImageFormat::Unknown;
        p.info.width = static_cast<uint32_t>(r.number());
        p.info.height = static_cast<uint32_t>(r.number());
    }
}

void writeNamed(RecordWriter& w, const std::vector<PresentField>& named)
{
    w.number(named.size());
    for (const PresentField& f : named) {
        w.text(f.field->name);
        w.number(f.values.size());
        for (const Utf8Text& v : f.values)
            w.text(v);
    }
}

void readNamed(RecordReader& r, std::vector<PresentField>& named)
{
    named.resize(static_cast<std::size_t>(std::min<uint64_t>(r.number(), 1024)));
    std::string name;
    for (PresentField& f : named) {
        r.text(name);
        f.field = namedField(name);
        f.values.resize(static_cast<std::size_t>(std::min<uint64_t>(r.number(), 1024)));
        for (Utf8Text& v : f.values)
            r.text(v);
        r.ok = r.ok && f.field;
    }
}

void writeAudio(RecordWriter& w, const std::optional<AudioProperties>& audio)
{
    w.number(audio ? 1 : 0);
    if (!audio)
        return;
    w.real(audio->duration);
    w.number(static_cast<uint64_t>(audio->bitrate));
    w.number(static_cast<uint64_t>(audio->sampleRate));
    w.number(static_cast<uint64_t>(audio->channels));
    w.number(uint64_t(audio->vbr) | uint64_t(audio->estimated) << 1);
}

void readAudio(RecordReader& r, std::optional<AudioProperties>& audio)
{
    audio.reset();
    if (r.number() != 1)
        return;
    AudioProperties a;
    a.duration = r.real();
    a.bitrate = static_cast<int>(r.number());
    a.sampleRate = static_cast<int>(r.number());
    a.channels = static_cast<int>(r.number());
    const uint64_t flags = r.number();
    a.vbr = flags & 1;
    a.estimated = flags & 2;
    audio = a;
}

// The tags as ISO-8859-1 reads them; the setting is touched only when a code page is chosen.
IndexRecord readRecordAsLatin1(const std::string& path, Tid3tag& v1, Tid3v2tag& v2)
{
    IndexRecord record;
    record.path = path;
    record.fields = readShownFields(path, v1, v2, &record.audio);
    if (failed(record.fields.v2.result))
        return record;
    record.v2Version = v2.Version;
    record.pictures = pictureSummaries(v2);
    record.named = presentFields(v2);
    for (FrameRow& row : frameRows(v2))
        record.frames.push_back({std::move(row.key), std::move(row.value)});
    return record;
}

} // namespace

Utf8Text IndexRecord::value(std::string_view nameOrKey) const
{
    if (const NamedField* field = namedField(nameOrKey)) {
        if (field->seven) {
            const std::size_t i = fieldIndex(*field->seven);
            return fields.v2.fields[i].empty() && !failed(fields.v1.result) ? fields.v1.fields[i] : fields.v2.fields[i];
        }
        for (const PresentField& present : named)
            if (present.field == field)
                return joinedValues(present.values);
        return {};
    }
    for (const IndexedFrame& frame : frames)
        if (frame.key == nameOrKey)
            return frame.value;
    return {};
}

bool IndexRecord::readFailed() const
{
    // The results below the offset error are failures of the system, not of the tag.
    const auto systemFailure = [](TagResult r) { return failed(r) && r < kErrOffset; };
    return systemFailure(fields.v1.result) || systemFailure(fields.v2.result);
}

IndexRecord readIndexRecord(const std::string& path, Tid3tag& v1, Tid3v2tag& v2)
{
    return readIndexRecord(path, v1, v2, platform::fileStamp(path));
}

IndexRecord readIndexRecord(const std::string& path, Tid3tag& v1, Tid3v2tag& v2,
                            const std::optional<platform::FileStamp>& stamp)
{
    IndexRecord record;
    if (eightBitCodePage().empty()) {
        record = readRecordAsLatin1(path, v1, v2);
    } else {
        Latin1Reading latin1;
        record = readRecordAsLatin1(path, v1, v2);
    }
    if (stamp)
        record.stamp = *stamp;
    record.v2ErrorDetail = v2.ErrorDetail();
    return record;
}

IndexRecord readIndexRecord(const std::string& path)
{
    Tid3tag v1;
    Tid3v2tag v2;
    return readIndexRecord(path, v1, v2);
}

std::string encodeIndexRecord(const IndexRecord& record)
{
    std::string out;
    RecordWriter w(out);
    w.number(kRecordFormat);
    writeTag(w, record.fields.v1);
    writeTag(w, record.fields.v2);
    w.number(record.v2Version);
    w.text(record.v2ErrorDetail);
    writePictures(w, record.pictures);
    writeNamed(w, record.named);
    w.number(record.frames.size());
    for (const IndexedFrame& f : record.frames) {
        w.text(f.key);
        w.text(f.value);
    }
    writeAudio(w, record.audio);
    return out;
}

bool decodeIndexRecord(std::string_view bytes, IndexRecord& record)
{
    RecordReader r(bytes);
    if (r.number() != kRecordFormat)
        return false;
    readTag(r, record.fields.v1);
    readTag(r, record.fields.v2);
    record.v2Version = static_cast<uint8_t>(r.number());
    r.text(record.v2ErrorDetail);
    readPictures(r, record.pictures);
    readNamed(r, record.named);
    record.frames.resize(static_cast<std::size_t>(std::min<uint64_t>(r.number(), 65536)));
    for (IndexedFrame& f : record.frames) {
        r.text(f.key);
        r.text(f.value);
    }
    readAudio(r, record.audio);
    return r.ok && r.atEnd();
}
