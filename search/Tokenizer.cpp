#include "search/Tokenizer.h"

#include <sqlite3.h>

#include <new>

#include "search/Segmenter.h"

namespace quorvel::search {

namespace {

struct Instance {
    Segmenter segmenter;
};

struct Call {
    void* fts5Context;
    int (*token)(void*, int, const char*, int, int, int);
};

int create(void*, const char** /*args*/, int /*argCount*/, Fts5Tokenizer** out) {
    try {
        *out = reinterpret_cast<Fts5Tokenizer*>(new Instance);
        return SQLITE_OK;
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
}

void destroy(Fts5Tokenizer* tokenizer) {
    delete reinterpret_cast<Instance*>(tokenizer);
}

int passOn(void* context, const Term& term) {
    const auto* call = static_cast<const Call*>(context);
    return call->token(call->fts5Context, term.colocated ? FTS5_TOKEN_COLOCATED : 0, term.text.data(),
                       static_cast<int>(term.text.size()), term.start, term.end);
}

int tokenize(Fts5Tokenizer* tokenizer, void* context, int flags, const char* text, int length,
             int (*token)(void*, int, const char*, int, int, int)) {
    auto* instance = reinterpret_cast<Instance*>(tokenizer);
    const SegmentMode mode = (flags & FTS5_TOKENIZE_QUERY) ? SegmentMode::Query : SegmentMode::Document;
    Call call{context, token};
    try {
        const std::string_view source(text ? text : "", text && length > 0 ? static_cast<size_t>(length) : 0);
        return instance->segmenter.run(source, mode, passOn, &call);
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
}

fts5_api* fts5Of(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(st, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
        sqlite3_step(st);
    }
    sqlite3_finalize(st);
    return api;
}

}  // namespace

bool registerTokenizer(sqlite3* db, std::string* error) {
    fts5_api* api = db ? fts5Of(db) : nullptr;
    if (!api || api->iVersion < 2) {
        if (error) {
            *error = "this SQLite has no FTS5";
        }
        return false;
    }
    fts5_tokenizer methods{create, destroy, tokenize};
    const int rc = api->xCreateTokenizer(api, kTokenizerName, nullptr, &methods, nullptr);
    if (rc != SQLITE_OK) {
        if (error) {
            *error = sqlite3_errstr(rc);
        }
        return false;
    }
    return true;
}

}  // namespace quorvel::search
