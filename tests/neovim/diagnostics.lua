-- Neovim's own LSP client on zeq lsp: opens each file given in ZEQ_FILES
-- (separated by newlines), waits for the server's diagnostics and writes
-- them, one "FILE:LINE: CODE" per line, to ZEQ_OUT. Run headless:
--   ZEQ=... ZEQ_FILES=... ZEQ_OUT=... nvim --headless -u NONE -c 'luafile diagnostics.lua'
local zeq, out = os.getenv('ZEQ'), os.getenv('ZEQ_OUT')
local published = {}
local default = vim.lsp.handlers['textDocument/publishDiagnostics']
vim.lsp.handlers['textDocument/publishDiagnostics'] = function(err, result, ctx, config)
  published[vim.uri_to_fname(result.uri)] = result.diagnostics
  return default(err, result, ctx, config)
end

local client = vim.lsp.start_client({ name = 'zeq', cmd = { zeq, 'lsp' }, root_dir = vim.fn.getcwd() })
local lines = {}
for file in string.gmatch(os.getenv('ZEQ_FILES'), '[^\n]+') do
  vim.cmd('edit ' .. vim.fn.fnameescape(file))
  local buffer = vim.api.nvim_get_current_buf()
  vim.lsp.buf_attach_client(buffer, client)
  local name = vim.api.nvim_buf_get_name(buffer)
  if not vim.wait(10000, function() return published[name] ~= nil end, 20) then
    table.insert(lines, file .. ': no diagnostics came')
  else
    for _, d in ipairs(published[name]) do
      table.insert(lines, string.format('%s:%d: %s', file, d.range.start.line + 1, d.code))
    end
  end
end
vim.fn.writefile(lines, out)
vim.lsp.stop_client(client)
vim.cmd('qall!')
