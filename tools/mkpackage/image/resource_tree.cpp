#include "image/resource_tree.h"

#include <algorithm>
#include <set>

namespace mkpackage {
namespace {

constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
constexpr std::uint32_t kNameBit = 0x80000000u;
constexpr std::size_t kDirectorySize = 16, kEntrySize = 8, kDataEntrySize = 16;

std::uint32_t u16At(const ImageBytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t u32At(const ImageBytes& b, std::size_t at) { return u16At(b, at) | (u16At(b, at + 2) << 16); }

void put16(ImageBytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(ImageBytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// The system's order: names before ids, names compared folded, ids as numbers.
bool keyBefore(const ResourceKey& a, const ResourceKey& b) {
    if (a.name.empty() != b.name.empty()) return !a.name.empty();
    if (a.name.empty()) return a.id < b.id;
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [](char16_t x, char16_t y) { return upper(x) < upper(y); });
}

class TreeReader {
public:
    TreeReader(const ImageBytes& section, std::uint32_t rva) : s_(section), rva_(rva) {}

    bool read(ResourceTree& tree, std::string& problem) {
        std::vector<Raw> types;
        if (!directory(0, tree.header, types)) return fail(problem);
        for (const Raw& t : types) {
            ResourceType type{t.key, {}, {}};
            std::vector<Raw> names;
            if (!t.subdirectory || !directory(t.target, type.header, names)) return fail(problem);
            for (const Raw& n : names) {
                ResourceEntry entry{n.key, {}, {}};
                std::vector<Raw> languages;
                if (!n.subdirectory || !directory(n.target, entry.header, languages)) return fail(problem);
                for (const Raw& l : languages) {
                    ResourceLeaf leaf{l.key, 0, {}};
                    if (l.subdirectory || !dataEntry(l.target, leaf)) return fail(problem);
                    entry.languages.push_back(std::move(leaf));
                }
                type.entries.push_back(std::move(entry));
            }
            tree.types.push_back(std::move(type));
        }
        return true;
    }

private:
    struct Raw {
        ResourceKey key;
        bool subdirectory;
        std::uint32_t target;  // offset in the section
    };

    bool fail(std::string& problem) const {
        problem = what_.empty() ? "has a damaged resource directory" : what_;
        return false;
    }
    bool inside(std::uint64_t offset, std::uint64_t size) const { return offset <= s_.size() && size <= s_.size() - offset; }

    bool directory(std::uint32_t offset, DirectoryHeader& header, std::vector<Raw>& entries) {
        if (!seen_.insert(offset).second) {
            what_ = "has a resource directory that is reached twice";
            return false;
        }
        if (!inside(offset, kDirectorySize)) return false;
        header = {u32At(s_, offset), u32At(s_, offset + 4), static_cast<std::uint16_t>(u16At(s_, offset + 8)),
                  static_cast<std::uint16_t>(u16At(s_, offset + 10))};
        const std::uint64_t count = std::uint64_t(u16At(s_, offset + 12)) + u16At(s_, offset + 14);
        if (!inside(offset + kDirectorySize, count * kEntrySize)) return false;
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::size_t at = offset + kDirectorySize + static_cast<std::size_t>(i) * kEntrySize;
            const std::uint32_t nameWord = u32At(s_, at), target = u32At(s_, at + 4);
            Raw raw{{}, (target & kSubdirectoryBit) != 0, target & ~kSubdirectoryBit};
            if (nameWord & kNameBit) {
                const std::uint32_t nameAt = nameWord & ~kNameBit;
                if (!inside(nameAt, 2) || !inside(nameAt + 2, 2 * std::uint64_t(u16At(s_, nameAt)))) return false;
                const std::uint32_t length = u16At(s_, nameAt);
                for (std::uint32_t c = 0; c < length; ++c) raw.key.name += static_cast<char16_t>(u16At(s_, nameAt + 2 + 2 * c));
                if (raw.key.name.empty()) return false;
            } else {
                raw.key.id = nameWord;
            }
            entries.push_back(std::move(raw));
        }
        return true;
    }

    bool dataEntry(std::uint32_t offset, ResourceLeaf& leaf) {
        if (!inside(offset, kDataEntrySize)) return false;
        const std::uint32_t rva = u32At(s_, offset), size = u32At(s_, offset + 4);
        leaf.codePage = u32At(s_, offset + 8);
        if (rva < rva_ || !inside(rva - rva_, size)) {
            what_ = "has a resource whose data lies outside its section";
            return false;
        }
        leaf.data.assign(s_.begin() + (rva - rva_), s_.begin() + (rva - rva_) + size);
        return true;
    }

    const ImageBytes& s_;
    std::uint32_t rva_;
    std::set<std::uint32_t> seen_;
    std::string what_;
};

// The layout of the written section, worked out before a byte is written.
class TreeWriter {
public:
    TreeWriter(const ResourceTree& tree, std::uint32_t rva) : t_(tree), rva_(rva) {
        for (const ResourceType& type : t_.types) types_.push_back(&type);
        std::sort(types_.begin(), types_.end(), [](auto* a, auto* b) { return keyBefore(a->type, b->type); });
        for (const ResourceType* type : types_) {
            std::vector<const ResourceEntry*> entries;
            for (const ResourceEntry& entry : type->entries) entries.push_back(&entry);
            std::sort(entries.begin(), entries.end(), [](auto* a, auto* b) { return keyBefore(a->name, b->name); });
            entries_.push_back(std::move(entries));
        }
    }

    ImageBytes write() {
        // Directories: the root, every type's, every name's.
        std::size_t size = kDirectorySize + kEntrySize * types_.size();
        std::vector<std::size_t> typeDirs, nameDirs;
        for (std::size_t t = 0; t < types_.size(); ++t) {
            typeDirs.push_back(size);
            size += kDirectorySize + kEntrySize * entries_[t].size();
        }
        for (std::size_t t = 0; t < types_.size(); ++t) {
            for (const ResourceEntry* entry : entries_[t]) {
                nameDirs.push_back(size);
                size += kDirectorySize + kEntrySize * sortedLanguages(*entry).size();
            }
        }
        std::size_t dataEntries = size, leafCount = 0;
        for (std::size_t t = 0; t < types_.size(); ++t)
            for (const ResourceEntry* entry : entries_[t]) leafCount += entry->languages.size();
        size += kDataEntrySize * leafCount;
        const std::size_t namesAt = size;
        std::size_t namesSize = 0;
        const auto countName = [&](const ResourceKey& key) {
            if (!key.name.empty()) namesSize += 2 + 2 * key.name.size();
        };
        for (std::size_t t = 0; t < types_.size(); ++t) {
            countName(types_[t]->type);
            for (const ResourceEntry* entry : entries_[t]) {
                countName(entry->name);
                for (const ResourceLeaf& leaf : entry->languages) countName(leaf.language);
            }
        }
        std::size_t dataAt = (namesAt + namesSize + 7) & ~std::size_t(7);
        std::size_t total = dataAt;
        for (std::size_t t = 0; t < types_.size(); ++t)
            for (const ResourceEntry* entry : entries_[t])
                for (const ResourceLeaf& leaf : entry->languages) total = ((total + 7) & ~std::size_t(7)) + leaf.data.size();

        out_.assign(total, 0);
        nextName_ = namesAt;
        std::size_t nameDir = 0, nextDataEntry = dataEntries, nextData = dataAt;
        writeDirectory(0, t_.header, types_.size());
        for (std::size_t t = 0; t < types_.size(); ++t) {
            writeEntry(0, t, types_[t]->type, kSubdirectoryBit | static_cast<std::uint32_t>(typeDirs[t]));
            writeDirectory(typeDirs[t], types_[t]->header, entries_[t].size());
            for (std::size_t n = 0; n < entries_[t].size(); ++n) {
                const ResourceEntry& entry = *entries_[t][n];
                const std::size_t dir = nameDirs[nameDir++];
                writeEntry(typeDirs[t], n, entry.name, kSubdirectoryBit | static_cast<std::uint32_t>(dir));
                const std::vector<const ResourceLeaf*> languages = sortedLanguages(entry);
                writeDirectory(dir, entry.header, languages.size());
                for (std::size_t l = 0; l < languages.size(); ++l) {
                    const ResourceLeaf& leaf = *languages[l];
                    writeEntry(dir, l, leaf.language, static_cast<std::uint32_t>(nextDataEntry));
                    nextData = (nextData + 7) & ~std::size_t(7);
                    put32(out_, nextDataEntry, rva_ + static_cast<std::uint32_t>(nextData));
                    put32(out_, nextDataEntry + 4, static_cast<std::uint32_t>(leaf.data.size()));
                    put32(out_, nextDataEntry + 8, leaf.codePage);
                    std::copy(leaf.data.begin(), leaf.data.end(), out_.begin() + static_cast<std::ptrdiff_t>(nextData));
                    nextData += leaf.data.size();
                    nextDataEntry += kDataEntrySize;
                }
            }
        }
        return std::move(out_);
    }

private:
    static std::vector<const ResourceLeaf*> sortedLanguages(const ResourceEntry& entry) {
        std::vector<const ResourceLeaf*> languages;
        for (const ResourceLeaf& leaf : entry.languages) languages.push_back(&leaf);
        std::sort(languages.begin(), languages.end(), [](auto* a, auto* b) { return keyBefore(a->language, b->language); });
        return languages;
    }

    // A directory of `count` entries: named ones are counted apart from ids.
    void writeDirectory(std::size_t at, const DirectoryHeader& header, std::size_t count) {
        put32(out_, at, header.characteristics);
        put32(out_, at + 4, header.timeDateStamp);
        put16(out_, at + 8, header.majorVersion);
        put16(out_, at + 10, header.minorVersion);
        put16(out_, at + 12, 0);
        put16(out_, at + 14, static_cast<std::uint32_t>(count));
    }

    void writeEntry(std::size_t directory, std::size_t index, const ResourceKey& key, std::uint32_t target) {
        const std::size_t at = directory + kDirectorySize + kEntrySize * index;
        if (key.name.empty()) {
            put32(out_, at, key.id);
        } else {
            put32(out_, at, kNameBit | static_cast<std::uint32_t>(nextName_));
            put16(out_, nextName_, static_cast<std::uint32_t>(key.name.size()));
            for (std::size_t c = 0; c < key.name.size(); ++c) put16(out_, nextName_ + 2 + 2 * c, key.name[c]);
            nextName_ += 2 + 2 * key.name.size();
            // Sorted, so the named entries come first: move one from the id count to the named count.
            put16(out_, directory + 12, u16At(out_, directory + 12) + 1);
            put16(out_, directory + 14, u16At(out_, directory + 14) - 1);
        }
        put32(out_, at + 4, target);
    }

    const ResourceTree& t_;
    std::uint32_t rva_;
    std::vector<const ResourceType*> types_;
    std::vector<std::vector<const ResourceEntry*>> entries_;
    ImageBytes out_;
    std::size_t nextName_ = 0;
};

}  // namespace

ResourceEntry resourceEntry(std::uint32_t id, const DirectoryHeader& header, std::uint32_t language, ImageBytes data) {
    ResourceLeaf leaf;
    leaf.language.id = language;
    leaf.data = std::move(data);
    ResourceEntry entry;
    entry.name.id = id;
    entry.header = header;
    entry.languages.push_back(std::move(leaf));
    return entry;
}

ResourceType* ResourceTree::findType(std::uint32_t id) {
    for (ResourceType& t : types)
        if (t.type.name.empty() && t.type.id == id) return &t;
    return nullptr;
}

const ResourceType* ResourceTree::findType(std::uint32_t id) const {
    return const_cast<ResourceTree*>(this)->findType(id);
}

ResourceType& ResourceTree::type(std::uint32_t id) {
    if (ResourceType* found = findType(id)) return *found;
    ResourceType made;
    made.type.id = id;
    made.header = header;
    types.push_back(std::move(made));
    return types.back();
}

ResourceEntry* findEntry(ResourceType& type, std::uint32_t id) {
    for (ResourceEntry& e : type.entries)
        if (e.name.name.empty() && e.name.id == id) return &e;
    return nullptr;
}

const ResourceEntry* findEntry(const ResourceType& type, std::uint32_t id) {
    return findEntry(const_cast<ResourceType&>(type), id);
}

bool readResourceTree(const ImageBytes& section, std::uint32_t sectionRva, ResourceTree& tree, std::string& problem) {
    tree = ResourceTree{};
    return TreeReader(section, sectionRva).read(tree, problem);
}

ImageBytes writeResourceTree(const ResourceTree& tree, std::uint32_t sectionRva) {
    return TreeWriter(tree, sectionRva).write();
}

}  // namespace mkpackage
