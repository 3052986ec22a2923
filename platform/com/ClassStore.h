#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

// The per-user class store: keys and values in the shape of the classes
// branch of the registry, kept as one text file,
// $XDG_CONFIG_HOME/Halvane/classes.conf:
//
//   [CLSID\{4B40AAC9-17CA-4499-9AFD-F3CDFBA36506}\InprocServer32]
//   @=/opt/quorvel/libtromsel.so
//   ThreadingModel=Apartment
//
// A section is a key ("\" separates the levels; a key's parents exist with
// it), "@" names a key's default value, other lines are named values, escaped
// as in the settings files. Key names compare without regard to ASCII case.
// Every change takes an advisory lock, re-reads the file under it and replaces
// the file atomically, so programs registering at the same time lose nothing.
namespace quorvel::com {

class ClassStoreData {
public:
    bool keyExists(const std::string& key) const;
    bool hasSubKeys(const std::string& key) const;
    // Creates the key and every parent of it.
    void createKey(const std::string& key);
    // An empty name sets the default value; the key is created.
    void setValue(const std::string& key, const std::string& name, const std::string& value);
    std::optional<std::string> value(const std::string& key, const std::string& name) const;
    // Removes the key with all its values and every key below it.
    void deleteTree(const std::string& key);

    std::string text() const;
    static ClassStoreData parse(const std::string& text);

private:
    struct Key {
        std::string name;  // as first written
        std::map<std::string, std::string> values;
    };
    static std::string fold(const std::string& key);
    std::map<std::string, Key> keys_;  // by folded name
};

class ClassStore {
public:
    // The store of the current user.
    ClassStore();
    explicit ClassStore(std::string path);

    const std::string& path() const { return path_; }

    // A snapshot of the store; empty when there is no readable file.
    ClassStoreData read() const;
    // Applies a change under the lock; false when the file could not be
    // written (the store is then unchanged).
    bool update(const std::function<void(ClassStoreData&)>& change) const;

    std::optional<std::string> value(const std::string& key, const std::string& name = {}) const {
        return read().value(key, name);
    }

private:
    std::string path_;
};

// Key names must not be empty, hold a line break or a "]", or have an empty level.
bool isValidKeyName(const std::string& key);

}  // namespace quorvel::com
