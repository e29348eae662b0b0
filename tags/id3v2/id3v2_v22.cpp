// Version 2.2 frames as version 2.3 knows them: three-letter IDs and the picture frame's layout.
#include "tags/id3v2/id3v2_layout.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

struct IdPair {
    char v22[4];
    char v23[5];
};

// Sorted by the version 2.2 ID. The last six are the sort and compilation frames iTunes
// writes into its version 2.2 tags; it writes the same four-letter frames into version 2.3.
constexpr IdPair kIds[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"EQU", "EQUA"}, {"ETC", "ETCO"},
    {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"},
    {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"},
    {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCP", "TCMP"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"},
    {"TEN", "TENC"}, {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"},
    {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"},
    {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"},
    {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TS2", "TSO2"}, {"TSA", "TSOA"}, {"TSC", "TSOC"},
    {"TSI", "TSIZ"}, {"TSP", "TSOP"}, {"TSS", "TSSE"}, {"TST", "TSOT"}, {"TT1", "TIT1"}, {"TT2", "TIT2"},
    {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"},
    {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
    {"WXX", "WXXX"},
};

bool before(const IdPair& pair, const std::string& id)
{
    return std::strcmp(pair.v22, id.c_str()) < 0;
}

} // namespace

std::string id3v2::v22::frameIdV23(const std::string& id)
{
    const auto it = std::lower_bound(std::begin(kIds), std::end(kIds), id, before);
    return it != std::end(kIds) && id == it->v22 ? it->v23 : std::string();
}

// Encoding, three-letter image format, picture type, description, data; the version 2.3
// frame names the format as a terminated MIME type instead.
std::vector<uint8_t> id3v2::v22::pictureFrameV23(const std::vector<uint8_t>& pic)
{
    if (pic.size() < kPictureHeaderSize)
        return pic;
    std::string mime(pic.begin() + kPictureFormat, pic.begin() + kPictureFormat + kPictureFormatSize);
    mime.erase(std::find(mime.begin(), mime.end(), '\0'), mime.end());
    std::string upper = mime;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    // Other formats stay as written, as other readers keep them.
    if (upper == "JPG")
        mime = "image/jpeg";
    else if (upper == "PNG")
        mime = "image/png";
    std::vector<uint8_t> apic;
    apic.reserve(pic.size() + mime.size() + 1);
    apic.push_back(pic[kPictureEncoding]);
    apic.insert(apic.end(), mime.begin(), mime.end());
    apic.push_back(0);
    apic.insert(apic.end(), pic.begin() + kPictureFormat + kPictureFormatSize, pic.end());
    return apic;
}
