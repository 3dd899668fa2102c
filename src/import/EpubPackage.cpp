#include "import/EpubPackage.h"

#include <algorithm>
#include <unordered_map>

#include "base/Utf.h"
#include "import/XmlInput.h"

namespace corvalin {
namespace {

constexpr std::string_view kPackageMediaType = "application/oebps-package+xml";
constexpr std::string_view kNcxMediaType = "application/x-dtbncx+xml";
// Font obfuscation (IDPF and Adobe): fonts are scrambled with a key from the package, not
// protected content.
constexpr std::string_view kObfuscationIdpf = "http://www.idpf.org/2008/embedding";
constexpr std::string_view kObfuscationAdobe = "http://ns.adobe.com/pdf/enc#RC";
constexpr size_t kMaxDepth = 256;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            decoded.push_back(char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

bool HasScheme(std::string_view href) {
    const size_t colon = href.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    const size_t slash = href.find('/');
    return slash == std::string_view::npos || colon < slash;
}

bool HasToken(std::string_view list, std::string_view token) {
    size_t at = 0;
    while (at < list.size()) {
        while (at < list.size() && list[at] == ' ') ++at;
        const size_t end = std::min(list.find(' ', at), list.size());
        if (list.substr(at, end - at) == token) return true;
        at = end;
    }
    return false;
}

std::u16string Text16(const pugi::xml_node& node) { return Utf8ToUtf16(CollapsedText(node)); }

pugi::xml_node ChildByLocalName(const pugi::xml_node& node, std::string_view name) {
    for (pugi::xml_node child : node.children())
        if (child.type() == pugi::node_element && LocalName(child) == name) return child;
    return {};
}

// Every element below `root` in document order, to `visit`; no recursion, bounded depth.
template <typename Visit>
void ForEachElement(const pugi::xml_node& root, Visit visit) {
    std::vector<std::pair<pugi::xml_node, size_t>> stack{{root, 0}};
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        if (node.type() != pugi::node_element) continue;
        if (!visit(node)) return;
        if (depth >= kMaxDepth) continue;
        for (pugi::xml_node child = node.last_child(); child; child = child.previous_sibling())
            stack.emplace_back(child, depth + 1);
    }
}

// "Name <someone@example.org>" is "Name": the address names no author and would end up in the
// book's file name.
std::u16string WithoutMailAddress(std::u16string name) {
    const size_t open = name.find(u'<');
    const size_t close = name.find(u'>', open);
    if (open == std::u16string::npos || close == std::u16string::npos || name.find(u'@', open) > close)
        return name;
    name.erase(open, close - open + 1);
    while (!name.empty() && name.back() == u' ') name.pop_back();
    while (!name.empty() && name.front() == u' ') name.erase(0, 1);
    return name;
}

Verdict PackageDamage(const std::string& field, const std::string& what) {
    return Verdict::Bad(VerdictKind::Damaged, field, "EPUB: " + what);
}

}  // namespace

std::string ResolveEpubHref(std::string_view baseMember, std::string_view href, std::string* fragment) {
    const size_t hash = href.find('#');
    if (fragment)
        *fragment = hash == std::string_view::npos ? std::string() : PercentDecoded(href.substr(hash + 1));
    href = href.substr(0, hash);
    const size_t query = href.find('?');
    href = href.substr(0, query);
    if (HasScheme(href) || href.starts_with("/")) return {};
    std::vector<std::string> parts;
    const size_t slash = baseMember.rfind('/');
    std::string path =
        slash == std::string_view::npos ? std::string() : std::string(baseMember.substr(0, slash + 1));
    // A reference to the document itself ("#note") is its own member.
    path += href.empty() ? std::string(baseMember.substr(slash == std::string_view::npos ? 0 : slash + 1))
                         : PercentDecoded(href);
    size_t at = 0;
    while (at <= path.size()) {
        const size_t end = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, end - at);
        if (part == "..") {
            if (parts.empty()) return {};
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string member;
    for (const std::string& part : parts) {
        if (!member.empty()) member.push_back('/');
        member += part;
    }
    return member;
}

Verdict ParseEpubContainer(std::span<const uint8_t> bytes, std::string& packageMember) {
    pugi::xml_document document;
    if (Verdict loaded = LoadXml(bytes, document, {"EPUB", "META-INF/container.xml"}); !loaded) return loaded;
    std::string first;
    ForEachElement(document.document_element(), [&](const pugi::xml_node& node) {
        if (LocalName(node) != "rootfile") return true;
        const std::string path = AttributeByLocalName(node, "full-path").value();
        if (path.empty()) return true;
        if (first.empty()) first = path;
        if (AttributeByLocalName(node, "media-type").value() == kPackageMediaType) {
            first = path;
            return false;
        }
        return true;
    });
    if (first.empty()) return PackageDamage("rootfile", "META-INF/container.xml names no package document");
    packageMember = ResolveEpubHref("", first);
    if (packageMember.empty())
        return PackageDamage("rootfile",
                             "META-INF/container.xml names the package \"" + first + "\" outside the book");
    return Verdict::Good();
}

Verdict ParseEpubPackage(std::span<const uint8_t> bytes, const std::string& packageMember,
                         EpubPackage& package) {
    package = EpubPackage{};
    pugi::xml_document document;
    if (Verdict loaded = LoadXml(bytes, document, {"EPUB", packageMember}); !loaded) return loaded;
    const pugi::xml_node root = document.document_element();
    if (LocalName(root) != "package")
        return PackageDamage("package", packageMember + " is not a package document");

    struct Item {
        std::string member;
        std::string mediaType;
    };
    std::unordered_map<std::string, Item> manifest;
    const pugi::xml_node manifestNode = ChildByLocalName(root, "manifest");
    for (pugi::xml_node item : manifestNode.children()) {
        if (item.type() != pugi::node_element || LocalName(item) != "item") continue;
        if (manifest.size() == kMaxManifestItems) break;
        const std::string id = item.attribute("id").value();
        const std::string member = ResolveEpubHref(packageMember, item.attribute("href").value());
        const std::string mediaType = item.attribute("media-type").value();
        if (id.empty() || member.empty()) continue;
        manifest.emplace(id, Item{member, mediaType});
        if (package.navMember.empty() && HasToken(item.attribute("properties").value(), "nav"))
            package.navMember = member;
        if (package.ncxMember.empty() && mediaType == kNcxMediaType) package.ncxMember = member;
    }

    const pugi::xml_node spine = ChildByLocalName(root, "spine");
    if (!spine) return PackageDamage("spine", packageMember + " has no spine");
    // The spine's toc attribute names the NCX where the media type does not.
    if (const auto toc = manifest.find(spine.attribute("toc").value()); toc != manifest.end())
        package.ncxMember = toc->second.member;
    for (pugi::xml_node itemref : spine.children()) {
        if (itemref.type() != pugi::node_element || LocalName(itemref) != "itemref") continue;
        if (package.spine.size() == kMaxManifestItems) break;
        const std::string idref = itemref.attribute("idref").value();
        const auto item = manifest.find(idref);
        if (item == manifest.end())
            return PackageDamage(
                "spine", "the spine item \"" + idref + "\" is not in the manifest of " + packageMember);
        package.spine.push_back({item->second.member, item->second.mediaType,
                                 std::string_view(itemref.attribute("linear").value()) != "no"});
    }

    const pugi::xml_node metadata = ChildByLocalName(root, "metadata");
    // Roles: EPUB 2 writes opf:role on the creator, EPUB 3 a meta refining it.
    std::unordered_map<std::string, std::string> refinedRoles;
    ForEachElement(metadata, [&](const pugi::xml_node& node) {
        if (LocalName(node) == "meta" && std::string_view(node.attribute("property").value()) == "role") {
            std::string_view refines = node.attribute("refines").value();
            if (refines.starts_with("#")) refines.remove_prefix(1);
            refinedRoles.emplace(std::string(refines), CollapsedText(node));
        }
        return true;
    });
    std::vector<std::u16string> creators;
    std::vector<std::u16string> authors;
    ForEachElement(metadata, [&](const pugi::xml_node& node) {
        const std::string name = LocalName(node);
        if (name == "title" && package.title.empty()) package.title = Text16(node);
        if (name != "creator") return true;
        std::u16string creator = WithoutMailAddress(Text16(node));
        if (creator.empty()) return true;
        std::string role = AttributeByLocalName(node, "role").value();
        if (const auto refined = refinedRoles.find(node.attribute("id").value());
            refined != refinedRoles.end())
            role = refined->second;
        if (role.empty() || role == "aut") authors.push_back(creator);
        creators.push_back(std::move(creator));
        return true;
    });
    const std::vector<std::u16string>& named = authors.empty() ? creators : authors;
    // Three names say who wrote the book; a long list of contributors would only make the
    // library's name for it unreadable.
    for (size_t i = 0; i < named.size() && i < 3; ++i) {
        if (i > 0) package.author += u", ";
        package.author += named[i];
    }
    return Verdict::Good();
}

std::vector<EpubTocEntry> ParseEpubNavigation(std::span<const uint8_t> bytes, const std::string& navMember) {
    std::vector<EpubTocEntry> entries;
    pugi::xml_document document;
    if (!LoadXml(bytes, document, {"EPUB", navMember})) return entries;
    pugi::xml_node toc;
    pugi::xml_node firstNav;
    ForEachElement(document.document_element(), [&](const pugi::xml_node& node) {
        if (LocalName(node) != "nav") return true;
        if (!firstNav) firstNav = node;
        if (HasToken(AttributeByLocalName(node, "type").value(), "toc")) {
            toc = node;
            return false;
        }
        return true;
    });
    if (!toc) toc = firstNav;
    if (!toc) return entries;
    ForEachElement(toc, [&](const pugi::xml_node& node) {
        if (LocalName(node) != "a" || entries.size() == kMaxTocEntries)
            return entries.size() < kMaxTocEntries;
        EpubTocEntry entry;
        entry.member = ResolveEpubHref(navMember, node.attribute("href").value(), &entry.fragment);
        entry.label = Text16(node);
        if (!entry.member.empty()) entries.push_back(std::move(entry));
        return true;
    });
    return entries;
}

std::vector<EpubTocEntry> ParseEpubNcx(std::span<const uint8_t> bytes, const std::string& ncxMember) {
    std::vector<EpubTocEntry> entries;
    pugi::xml_document document;
    if (!LoadXml(bytes, document, {"EPUB", ncxMember})) return entries;
    const pugi::xml_node navMap = ChildByLocalName(document.document_element(), "navmap");
    ForEachElement(navMap, [&](const pugi::xml_node& node) {
        if (LocalName(node) != "navpoint") return true;
        if (entries.size() == kMaxTocEntries) return false;
        EpubTocEntry entry;
        const pugi::xml_node content = ChildByLocalName(node, "content");
        entry.member = ResolveEpubHref(ncxMember, content.attribute("src").value(), &entry.fragment);
        entry.label = Text16(ChildByLocalName(node, "navlabel"));
        if (!entry.member.empty()) entries.push_back(std::move(entry));
        return true;
    });
    return entries;
}

std::vector<std::string> EpubEncryptedMembers(std::span<const uint8_t> bytes) {
    std::vector<std::string> members;
    pugi::xml_document document;
    if (!LoadXml(bytes, document, {"EPUB", "META-INF/encryption.xml"})) return {"*"};
    ForEachElement(document.document_element(), [&](const pugi::xml_node& node) {
        if (LocalName(node) != "encrypteddata") return true;
        std::string algorithm;
        std::string uri;
        ForEachElement(node, [&](const pugi::xml_node& inner) {
            const std::string name = LocalName(inner);
            if (name == "encryptionmethod" && algorithm.empty())
                algorithm = inner.attribute("Algorithm").value();
            if (name == "cipherreference" && uri.empty()) uri = inner.attribute("URI").value();
            return true;
        });
        if (algorithm == kObfuscationIdpf || algorithm == kObfuscationAdobe) return true;
        // References are relative to the archive's root, not to META-INF.
        const std::string member = ResolveEpubHref("", uri);
        if (!member.empty()) members.push_back(member);
        return members.size() < kMaxManifestItems;
    });
    return members;
}

}  // namespace corvalin
