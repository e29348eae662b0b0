// Code page conversion through iconv, strict: no character is dropped or replaced.
#include "platform/code_pages.h"

#include <cerrno>
#include <iconv.h>

namespace platform {
namespace {

class Converter {
public:
    Converter(const std::string& to, const std::string& from) : m_cd(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter()
    {
        if (ok())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    bool run(const std::string& in, std::string& out)
    {
        out.clear();
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        char buffer[1024];
        while (left > 0) {
            char* dst = buffer;
            std::size_t room = sizeof buffer;
            const std::size_t done = iconv(m_cd, &src, &left, &dst, &room);
            out.append(buffer, dst - buffer);
            if (done == static_cast<std::size_t>(-1) && errno != E2BIG)
                return false;
        }
        char* dst = buffer;
        std::size_t room = sizeof buffer;
        const bool flushed = iconv(m_cd, nullptr, nullptr, &dst, &room) != static_cast<std::size_t>(-1);
        out.append(buffer, dst - buffer);
        return flushed;
    }

private:
    iconv_t m_cd;
};

bool convert(const std::string& in, const std::string& to, const std::string& from, std::string& out)
{
    Converter converter(to, from);
    if (converter.ok() && converter.run(in, out))
        return true;
    out.clear();
    return false;
}

} // namespace

bool decodeCodePage(const std::string& bytes, const std::string& codePage, std::string& utf8)
{
    return convert(bytes, "UTF-8", codePage, utf8);
}

bool encodeCodePage(const std::string& utf8, const std::string& codePage, std::string& bytes)
{
    return convert(utf8, codePage, "UTF-8", bytes);
}

} // namespace platform
