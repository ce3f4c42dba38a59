// make_store_templates: writes the empty database templates "Vellumo.sys" and "Users.sys" into the
// program folder given as its one argument, from the store's one schema. Run by the build.
#include "app/store/message_store.h"
#include "platform/runtime/runtime_error.h"

#include <QDir>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    using vellumo::MessageStore;
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_store_templates <program folder>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    try {
        MessageStore::createFile(dir.filePath(QString::fromLatin1(MessageStore::MessageTemplate)),
                                 MessageStore::Kind::Messages);
        MessageStore::createFile(dir.filePath(QString::fromLatin1(MessageStore::UsersTemplate)),
                                 MessageStore::Kind::Users);
    } catch (const vellumo::RuntimeError& e) {
        std::fprintf(stderr, "make_store_templates: %s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
