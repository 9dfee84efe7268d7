-- The demo game: shows that the host handed over to Lua.
release_print("demo game started")

function applicationOnDeactive()
    release_print("demo game: background")
end

function applicationOnActive()
    release_print("demo game: foreground")
end
