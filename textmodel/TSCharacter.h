#pragma once
// One entry of a play's cast list, kept in the text root's information under
// "Cast List" and saved with it as {"name", "Role description",
// "ClassName"} (no uuid, flag or children).

#include "TSChunk.h"

class TSCharacter;
using TSCharacterPtr = std::shared_ptr<TSCharacter>;

class TSCharacter : public TSChunk {
    TS_OBJECT(TSCharacter, TSChunk)

public:
    TSCharacter() = default;

    QString roleDescription() const { return roleDescription_; }
    void setRoleDescription(const QString& description) { roleDescription_ = description; }

    ts::Value serialize() const override;
    void importFromDictionary(const ts::Value& dictionary) override;
    // A character from "name" and "Role description", whatever the
    // dictionary's "ClassName" says.
    static TSCharacterPtr dataFromDictionary(const ts::Value& dictionary);

    // The name, and " role" when there is a role description.
    ts::AttributedStringPtr stringOutput(double size = 0) const;

private:
    QString roleDescription_;
};
