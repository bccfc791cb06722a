// The substitute's hive files: a format of its own that keeps keys, values,
// types and bytes exactly. Little-endian throughout:
//   file  = "QVRHIVE1" key
//   key   = name values-count value* subkeys-count key*
//   value = name type data-size data
//   name  = length-in-units UTF-16 units
// The saved key's own name is kept but not used on restoring.
#include "qvr_sim_state.h"

using qvrsim::RegKey;
using qvrsim::wstr;

namespace {

const char kMagic[] = "QVRHIVE1";
const size_t kMagicSize = 8;
// Windows' own limits; a file beyond them is not a hive.
const uint32_t kMaxKeyName = 255;
const uint32_t kMaxValueName = 16383;
const int kMaxDepth = 512;

void put32(std::vector<BYTE>& out, uint32_t n)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<BYTE>(n >> shift));
}

void putName(std::vector<BYTE>& out, const wstr& name)
{
    put32(out, static_cast<uint32_t>(name.size()));
    for (char16_t unit : name) {
        out.push_back(static_cast<BYTE>(unit));
        out.push_back(static_cast<BYTE>(unit >> 8));
    }
}

void putKey(std::vector<BYTE>& out, const RegKey& key)
{
    putName(out, key.name);
    put32(out, static_cast<uint32_t>(key.values.size()));
    for (const auto& entry : key.values) {
        const qvrsim::RegValue& value = entry.second;
        putName(out, value.name);
        put32(out, value.type);
        put32(out, static_cast<uint32_t>(value.data.size()));
        out.insert(out.end(), value.data.begin(), value.data.end());
    }
    uint32_t kept = 0;
    for (const auto& sub : key.subKeys)
        kept += sub.second->bVolatile ? 0 : 1;
    put32(out, kept);
    for (const auto& sub : key.subKeys)
        if (!sub.second->bVolatile)
            putKey(out, *sub.second);
}

// Reads with every length checked against what is left.
class Reader {
public:
    explicit Reader(const std::vector<BYTE>& bytes) : m_bytes(bytes) {}

    bool bytes(size_t count, const BYTE*& p)
    {
        if (m_bytes.size() - m_pos < count)
            return false;
        p = m_bytes.data() + m_pos;
        m_pos += count;
        return true;
    }
    bool number(uint32_t& n)
    {
        const BYTE* p;
        if (!bytes(4, p))
            return false;
        n = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
            static_cast<uint32_t>(p[3]) << 24;
        return true;
    }
    bool name(wstr& text, uint32_t cchMax)
    {
        uint32_t cch;
        const BYTE* p;
        if (!number(cch) || cch > cchMax || !bytes(size_t(cch) * 2, p))
            return false;
        text.clear();
        for (uint32_t i = 0; i < cch; ++i)
            text += static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
        return true;
    }
    bool atEnd() const { return m_pos == m_bytes.size(); }

private:
    const std::vector<BYTE>& m_bytes;
    size_t m_pos = 0;
};

bool readKey(Reader& in, RegKey& key, int depth)
{
    uint32_t count;
    if (depth > kMaxDepth || !in.name(key.name, kMaxKeyName) || !in.number(count))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        qvrsim::RegValue value;
        uint32_t cb;
        const BYTE* p;
        if (!in.name(value.name, kMaxValueName) || !in.number(value.type) || !in.number(cb) || !in.bytes(cb, p))
            return false;
        value.data.assign(p, p + cb);
        // Names are unique without regard to case.
        if (!key.values.emplace(qvrsim::lowerCase(value.name), value).second)
            return false;
    }
    if (!in.number(count))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        auto sub = std::make_shared<RegKey>();
        if (!readKey(in, *sub, depth + 1) || sub->name.empty() || sub->name.find(u'\\') != wstr::npos)
            return false;
        sub->lastWrite = qvrsim::fileTimeNow();
        if (!key.subKeys.emplace(qvrsim::lowerCase(sub->name), sub).second)
            return false;
    }
    return true;
}

}  // namespace

namespace qvrsim {

std::vector<BYTE> saveHive(const RegKey& key)
{
    std::vector<BYTE> out(kMagic, kMagic + kMagicSize);
    putKey(out, key);
    return out;
}

bool loadHive(const std::vector<BYTE>& bytes, RegKey& key)
{
    Reader in(bytes);
    const BYTE* magic;
    if (!in.bytes(kMagicSize, magic) || std::string(magic, magic + kMagicSize) != kMagic)
        return false;
    RegKey loaded;
    if (!readKey(in, loaded, 0) || !in.atEnd())
        return false;
    key = std::move(loaded);
    return true;
}

}  // namespace qvrsim
