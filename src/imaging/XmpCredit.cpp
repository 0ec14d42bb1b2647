// Reading the credit from an XMP packet: not an XML parser, but one pass over the packet's tags
// that knows just enough RDF for the three properties photo software writes, as elements
// (<dc:creator><rdf:Seq><rdf:li>…) or as attributes of rdf:Description (photoshop:Credit="…").
//
// The pass is one loop that moves forward at every step, so its time is linear in the packet and
// its depth is a counter, never the call stack. Namespace prefixes are taken from every xmlns
// declaration of the packet (the last one of a prefix wins, not scoped to its element); a prefix
// that is never declared is read as the one photo software uses for the namespace. Entities are the
// five of XML and numeric character references. Anything malformed ends the pass with what was
// read whole before it.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "imaging/EmbeddedCredit.h"

namespace stampwise {

namespace {

using credit_detail::AppendName;
using credit_detail::IsCreditText;
using credit_detail::StartsWith;

constexpr std::string_view kXmpSignature{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr std::string_view kDc = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view kPhotoshop = "http://ns.adobe.com/photoshop/1.0/";
// Declarations kept; a packet with more prefixes than this is no photo software's.
constexpr std::size_t kMaxPrefixes = 64;

enum class Property { None, Creator, Rights, Credit };

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The value of a character reference's digits ("#123" or "#x7B"), or 0 when it is none: 0 itself
// is no character XML allows, and neither are surrogates.
std::uint32_t CharacterReference(std::string_view name) {
    if (name.size() < 2 || name[0] != '#') return 0;
    const bool isHex = name[1] == 'x';
    const std::string_view digits = name.substr(isHex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) return 0;
    std::uint32_t code = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (isHex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (isHex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return 0;
        code = code * (isHex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
    return code;
}

// Appends raw with its entities replaced, while out stays within one byte past the longest credit
// (a longer text is refused whole later). An entity that cannot be read makes the text unusable.
void AppendDecoded(std::string& out, std::string_view raw) {
    constexpr std::pair<std::string_view, char> kNamed[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (std::size_t i = 0; i < raw.size() && out.size() <= kMaxCreditBytes; ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const std::size_t end = raw.find(';', i);
        const std::string_view name = end == std::string_view::npos ? std::string_view()
                                                                    : raw.substr(i + 1, end - i - 1);
        bool isKnown = false;
        for (const auto& [entity, c] : kNamed) {
            if (name == entity) {
                out += c;
                isKnown = true;
            }
        }
        if (!isKnown) {
            const std::uint32_t code = CharacterReference(name);
            if (code == 0) {
                out += '\0';  // IsCreditText refuses it
                return;
            }
            AppendUtf8(out, code);
        }
        i = end;
    }
}

// The position of the '>' that ends the tag starting at at, past quoted attribute values; npos when
// the tag never ends.
std::size_t TagEnd(std::string_view xml, std::size_t at) {
    char quote = 0;
    for (std::size_t i = at; i < xml.size(); ++i) {
        const char c = xml[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i;
        }
    }
    return std::string_view::npos;
}

struct Attribute {
    std::string_view Name;
    std::string_view Value;  // raw, entities not yet replaced
};

// A start tag's name and attributes (tag is what stands between '<' and '>', without a final '/').
// False when an attribute is malformed.
bool SplitTag(std::string_view tag, std::string_view& name, std::vector<Attribute>& attributes) {
    std::size_t i = 0;
    while (i < tag.size() && !IsSpace(tag[i])) ++i;
    name = tag.substr(0, i);
    for (;;) {
        while (i < tag.size() && IsSpace(tag[i])) ++i;
        if (i == tag.size()) return true;
        const std::size_t nameStart = i;
        while (i < tag.size() && tag[i] != '=' && !IsSpace(tag[i])) ++i;
        const std::string_view attribute = tag.substr(nameStart, i - nameStart);
        while (i < tag.size() && IsSpace(tag[i])) ++i;
        if (i == tag.size() || tag[i] != '=') return false;
        ++i;
        while (i < tag.size() && IsSpace(tag[i])) ++i;
        if (i == tag.size() || (tag[i] != '"' && tag[i] != '\'')) return false;
        const std::size_t close = tag.find(tag[i], i + 1);
        if (close == std::string_view::npos) return false;
        attributes.push_back({attribute, tag.substr(i + 1, close - i - 1)});
        i = close + 1;
    }
}

class XmpPass {
public:
    ExifCredit Run(std::string_view xml) {
        std::size_t at = 0;
        while (at < xml.size()) {
            const std::size_t open = xml.find('<', at);
            if (IsCapturing()) AppendDecoded(text_, xml.substr(at, open - at));
            if (open == std::string_view::npos) break;
            at = open;
            if (xml.compare(at, 4, "<!--") == 0) {
                at = Past(xml, "-->", at + 4);
            } else if (xml.compare(at, 9, "<![CDATA[") == 0) {
                const std::size_t end = xml.find("]]>", at + 9);
                if (end != std::string_view::npos && IsCapturing()) {
                    text_.append(xml.substr(at + 9, std::min(end - at - 9, kMaxCreditBytes + 1)));
                }
                at = Past(xml, "]]>", at + 9);
            } else if (xml.compare(at, 2, "<?") == 0 || xml.compare(at, 2, "<!") == 0) {
                at = Past(xml, ">", at + 2);
            } else {
                const std::size_t end = TagEnd(xml, at + 1);
                if (end == std::string_view::npos) break;
                std::string_view tag = xml.substr(at + 1, end - at - 1);
                at = end + 1;
                if (!tag.empty() && tag.front() == '/') {
                    EndElement();
                } else if (!StartElement(tag)) {
                    break;
                }
            }
        }
        ExifCredit credit;
        credit.Artist = !creators_.empty() ? creators_ : credit_;
        credit.Copyright = !defaultRights_.empty() ? defaultRights_ : firstRights_;
        return credit;
    }

private:
    static std::size_t Past(std::string_view xml, std::string_view end, std::size_t from) {
        const std::size_t found = xml.find(end, from);
        return found == std::string_view::npos ? xml.size() : found + end.size();
    }

    // Inside an item, or right inside a property that has had none (a simple property, or an
    // array written as a plain text, as some software does).
    bool IsCapturing() const {
        return isInItem_ || (property_ != Property::None && depth_ == propertyDepth_ && !hasItems_);
    }

    std::pair<std::string_view, std::string_view> Resolve(std::string_view qualified) const {
        const std::size_t colon = qualified.find(':');
        if (colon == std::string_view::npos) return {};
        const std::string_view prefix = qualified.substr(0, colon);
        const std::string_view local = qualified.substr(colon + 1);
        for (auto p = prefixes_.rbegin(); p != prefixes_.rend(); ++p) {
            if (p->first == prefix) return {p->second, local};
        }
        if (prefix == "rdf") return {kRdf, local};
        if (prefix == "dc") return {kDc, local};
        if (prefix == "photoshop") return {kPhotoshop, local};
        return {std::string_view(), local};
    }

    Property PropertyOf(std::string_view qualified) const {
        const auto [space, local] = Resolve(qualified);
        if (space == kDc && local == "creator") return Property::Creator;
        if (space == kDc && local == "rights") return Property::Rights;
        if (space == kPhotoshop && local == "Credit") return Property::Credit;
        return Property::None;
    }

    // Takes one text of a property, its entities replaced already.
    void Take(Property property, std::string_view decoded, bool isDefaultLanguage) {
        const std::string_view text = Trimmed(decoded);
        if (!IsCreditText(text)) return;
        switch (property) {
            case Property::Creator: AppendName(creators_, text); break;
            case Property::Rights:
                if (firstRights_.empty()) firstRights_ = text;
                if (isDefaultLanguage && defaultRights_.empty()) defaultRights_ = text;
                break;
            case Property::Credit:
                if (credit_.empty()) credit_ = text;
                break;
            case Property::None: break;
        }
    }

    bool StartElement(std::string_view tag) {
        const bool isEmpty = !tag.empty() && tag.back() == '/';
        if (isEmpty) tag.remove_suffix(1);
        std::string_view name;
        std::vector<Attribute> attributes;
        if (!SplitTag(tag, name, attributes)) return false;
        bool isDefaultLanguage = false;
        for (const Attribute& a : attributes) {
            if (a.Name.substr(0, 6) == "xmlns:" && prefixes_.size() < kMaxPrefixes) {
                prefixes_.emplace_back(a.Name.substr(6), a.Value);
            }
            if (a.Name == "xml:lang") isDefaultLanguage = a.Value == "x-default";
        }
        // Properties written as attributes (rdf:Description photoshop:Credit="…").
        for (const Attribute& a : attributes) {
            const Property property = PropertyOf(a.Name);
            if (property != Property::None && !IsSeen(property)) {
                std::string decoded;
                AppendDecoded(decoded, a.Value);
                Take(property, decoded, true);
                MarkSeen(property);
            }
        }
        if (isEmpty) return true;
        ++depth_;
        if (property_ == Property::None) {
            const Property property = PropertyOf(name);
            if (property != Property::None && !IsSeen(property)) {
                property_ = property;
                propertyDepth_ = depth_;
                hasItems_ = false;
                text_.clear();
            }
        } else if (!isInItem_ && property_ != Property::Credit) {
            const auto [space, local] = Resolve(name);
            if (space == kRdf && local == "li") {
                isInItem_ = true;
                hasItems_ = true;
                itemDepth_ = depth_;
                isDefaultItem_ = isDefaultLanguage;
                text_.clear();
            }
        }
        return true;
    }

    void EndElement() {
        if (isInItem_ && depth_ == itemDepth_) {
            Take(property_, text_, isDefaultItem_);
            isInItem_ = false;
        }
        if (property_ != Property::None && depth_ == propertyDepth_) {
            if (!hasItems_) Take(property_, text_, true);
            MarkSeen(property_);
            property_ = Property::None;
        }
        if (depth_ > 0) --depth_;
    }

    bool IsSeen(Property property) const { return (seen_ & 1u << static_cast<unsigned>(property)) != 0; }
    void MarkSeen(Property property) { seen_ |= 1u << static_cast<unsigned>(property); }

    std::vector<std::pair<std::string_view, std::string_view>> prefixes_;
    int depth_ = 0;
    Property property_ = Property::None;
    int propertyDepth_ = 0;
    bool isInItem_ = false;
    int itemDepth_ = 0;
    bool isDefaultItem_ = false;
    bool hasItems_ = false;  // the property being read has had an rdf:li
    std::string text_;  // of the item or simple property being read, entities replaced
    unsigned seen_ = 0;
    std::string creators_;
    std::string firstRights_;
    std::string defaultRights_;
    std::string credit_;
};

}  // namespace

ExifCredit ReadXmpCredit(std::span<const std::uint8_t> payload) noexcept {
    if (!StartsWith(payload, kXmpSignature)) return ExifCredit{};
    try {
        const std::string_view xml(reinterpret_cast<const char*>(payload.data()) + kXmpSignature.size(),
                                   payload.size() - kXmpSignature.size());
        return XmpPass().Run(xml);
    } catch (...) {
        return ExifCredit{};
    }
}

}  // namespace stampwise
